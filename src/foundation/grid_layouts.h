// Every grid of the window by its control name, with the size it has in the window's design,
// and the schedule grid's headers.
#pragma once

#include <array>
#include <vector>

#include <QString>

namespace kazeyomi {

// The value is the control's number: it names the grid ("VSFlexGrid8") and its snapshot
// file ("Grid8.dat"). There never was a VSFlexGrid7.
enum class Grid {
    VSFlexGrid2 = 2,   // race card
    VSFlexGrid3 = 3,   // win/place odds
    VSFlexGrid4 = 4,   // bracket quinella
    VSFlexGrid5 = 5,   // quinella staircase
    VSFlexGrid6 = 6,   // exacta
    VSFlexGrid8 = 8,   // the schedule
    VSFlexGrid9 = 9,   // bracket exacta
    VSFlexGrid10 = 10, // wide, lower bounds
    VSFlexGrid11 = 11, // trio
    VSFlexGrid12 = 12, // wide, upper bounds
    VSFlexGrid13 = 13, // trifecta
    VSFlexGrid14 = 14, // finishing table
    VSFlexGrid15 = 15, // result grid, only ever cleared
    VSFlexGrid16 = 16, // payouts
    VSFlexGrid17 = 17, // quinella work grid
    VSFlexGrid18 = 18, // wide work grid
    VSFlexGrid19 = 19, // exacta work grid
    VSFlexGrid20 = 20, // trio staircases
    VSFlexGrid21 = 21, // trio block work grid
    VSFlexGrid22 = 22, // trifecta square blocks
    VSFlexGrid23 = 23, // trifecta block grid
};

inline constexpr int gridNumber(Grid grid)
{
    return static_cast<int>(grid);
}
inline QString gridName(Grid grid)
{
    return QStringLiteral("VSFlexGrid%1").arg(gridNumber(grid));
}

struct GridLayout {
    Grid grid;
    int rows;
    int cols;
};

// One entry per grid of the window, in control-number order.
const std::vector<GridLayout>& gridLayouts();

inline constexpr int kScheduleColumns = 15;
// Column widths of the schedule grid in twips (1/15 of a pixel at 96 dpi).
inline constexpr std::array<int, kScheduleColumns> kScheduleColumnTwips = {900, 630, 555,  495, 450, 630,  630, 630,
                                                                           450, 450, 3075, 975, 900, 1875, 900};
const std::array<QString, kScheduleColumns>& scheduleHeaders();

} // namespace kazeyomi
