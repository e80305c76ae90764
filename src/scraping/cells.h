// Writing cut text into a grid the way every scraper does: a cell the grid does not have,
// or a cut that fails, is skipped and the cell keeps what it held.
#pragma once

#include <QString>

namespace kazeyomi {

class GridModel;

void setCell(GridModel& grid, int row, int col, const QString& text);
// The cut of `line` between `start` and `end`, followed by `suffix`, into one cell. The cut
// upper-cases the line in hand even when it fails.
void cutIntoCell(GridModel& grid, int row, int col, QString& line, const QString& start, const QString& end,
                 const QString& suffix = {});
// The decimal text of a number, as the grids' labels hold it; the small ones are made once and
// shared.
QString numberText(int number);
// A cell the grid does not have reads as empty.
QString cellOrEmpty(const GridModel& grid, int row, int col);

} // namespace kazeyomi
