#include "foundation/grid_layouts.h"

namespace kazeyomi {

using namespace Qt::StringLiterals;

const std::vector<GridLayout>& gridLayouts()
{
    // Each size holds the most that any routine writes into that grid (16 runners).
    static const std::vector<GridLayout> layouts = {
        {Grid::VSFlexGrid2, 19, 11},               // race card: header + runners
        {Grid::VSFlexGrid3, 17, 4},                // win/place: header + 16 horses
        {Grid::VSFlexGrid4, 9, 9},                 // bracket quinella
        {Grid::VSFlexGrid5, 17, 9},                // quinella staircase
        {Grid::VSFlexGrid6, 33, 9},                // exacta: two blocks of 16
        {Grid::VSFlexGrid8, 50, kScheduleColumns}, // schedule: resized at start-up
        {Grid::VSFlexGrid9, 9, 9},                 // bracket exacta
        {Grid::VSFlexGrid10, 17, 9},               // wide, lower bounds
        {Grid::VSFlexGrid11, 225, 9},              // trio: 16 blocks
        {Grid::VSFlexGrid12, 17, 9},               // wide, upper bounds
        {Grid::VSFlexGrid13, 481, 9},              // trifecta
        {Grid::VSFlexGrid14, 17, 15},              // finishing table: header + 16 horses, 14 columns
        {Grid::VSFlexGrid15, 17, 15},              // result grid (cleared only)
        {Grid::VSFlexGrid16, 10, 18},              // payout cells up to (9, 17)
        {Grid::VSFlexGrid17, 17, 18},              // quinella work grid
        {Grid::VSFlexGrid18, 17, 18},              // wide work grid
        {Grid::VSFlexGrid19, 17, 17},              // exacta work grid
        {Grid::VSFlexGrid20, 225, 18},             // trio staircases
        {Grid::VSFlexGrid21, 17, 16},              // trio block work grid
        {Grid::VSFlexGrid22, 241, 16},             // trifecta square blocks
        {Grid::VSFlexGrid23, 17, 17},              // trifecta block grid
    };
    return layouts;
}

const std::array<QString, kScheduleColumns>& scheduleHeaders()
{
    static const std::array<QString, kScheduleColumns> headers = {
        QString(), u"開催地"_s, u"レース"_s, u"時刻"_s,      u"更新"_s, u" A "_s,  QString(), QString(),
        u"時変"_s, u"払戻"_s,   QString(),   u"NEXT TIME"_s, QString(), QString(), QString()};
    return headers;
}

} // namespace kazeyomi
