#include "foundation/grid_layouts.h"

namespace kazeyomi {

using namespace Qt::StringLiterals;

const std::vector<GridLayout>& gridLayouts()
{
    // Each size holds the most that any routine writes into that grid (16 runners).
    static const std::vector<GridLayout> layouts = {
        {2, 19, 11},   // race card: header + runners
        {3, 17, 4},    // win/place: header + 16 horses
        {4, 9, 9},     // bracket quinella
        {5, 17, 9},    // quinella staircase
        {6, 33, 9},    // exacta: two blocks of 16
        {8, 50, kScheduleColumns}, // schedule: resized at start-up
        {9, 9, 9},     // bracket exacta
        {10, 17, 9},   // wide, lower bounds
        {11, 225, 9},  // trio: 16 blocks
        {12, 17, 9},   // wide, upper bounds
        {13, 481, 9},  // trifecta
        {14, 17, 15},  // finishing table: header + 16 horses, 14 columns
        {15, 17, 15},  // result grid (cleared only)
        {16, 10, 18},  // payout cells up to (9, 17)
        {17, 17, 18},  // quinella work grid
        {18, 17, 18},  // wide work grid
        {19, 17, 17},  // exacta work grid
        {20, 225, 18}, // trio staircases
        {21, 17, 16},  // trio block work grid
        {22, 241, 16}, // trifecta square blocks
        {23, 17, 17},  // trifecta block grid
    };
    return layouts;
}

const std::array<QString, kScheduleColumns>& scheduleHeaders()
{
    static const std::array<QString, kScheduleColumns> headers = {
        QString(), u"開催地"_s, u"レース"_s, u"時刻"_s, u"更新"_s, u" A "_s, QString(), QString(),
        u"時変"_s, u"払戻"_s, QString(), u"NEXT TIME"_s, QString(), QString(), QString()};
    return headers;
}

} // namespace kazeyomi
