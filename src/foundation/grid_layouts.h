// The design-time size of every grid of the window, and the schedule grid's headers.
#pragma once

#include <array>
#include <vector>

#include <QString>

namespace kazeyomi {

struct GridLayout {
    int number; // VSFlexGrid<number>
    int rows;
    int cols;
};

const std::vector<GridLayout>& gridLayouts();

inline QString gridName(int number) { return QStringLiteral("VSFlexGrid%1").arg(number); }

inline constexpr int kScheduleGrid = 8;
inline constexpr int kScheduleColumns = 15;
// Column widths of the schedule grid in twips (1/15 of a pixel at 96 dpi).
inline constexpr std::array<int, kScheduleColumns> kScheduleColumnTwips = {
    900, 630, 555, 495, 450, 630, 630, 630, 450, 450, 3075, 975, 900, 1875, 900};
const std::array<QString, kScheduleColumns>& scheduleHeaders();

} // namespace kazeyomi
