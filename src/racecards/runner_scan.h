// Cutting the portal's race card page, as the browser serialises it, into the race card
// grid: one row per runner block, then the bracket numbers and the race title.
#pragma once

#include <optional>

#include <QString>

namespace kazeyomi {

class GridModel;
class PageReader;

// The text between the first `a` and the first `b` of `line`, exact case. Empty when either
// is missing or when `b` comes first.
QString textBetween(const QString& line, const QString& a, const QString& b);

// Fills rows 1.. of the grid from the runner blocks of the page, columns 1 to 9; rows
// beyond the grid are left out. Returns the number of runner blocks on the page.
int scanRunners(PageReader& page, GridModel& grid);

// Column 0 of rows 1 to 16 whose horse number is not blank.
void writeBrackets(GridModel& grid, int runners);

// x + y of the first title row, upper-cased; nothing when the page has no title row.
std::optional<QString> raceTitle(PageReader& page);

} // namespace kazeyomi
