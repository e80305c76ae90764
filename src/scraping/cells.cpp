#include "scraping/cells.h"

#include "foundation/grid_model.h"
#include "scraping/attempt.h"
#include "scraping/text_helpers.h"

namespace kazeyomi {

namespace {

// A cell outside the grid is passed over here: the grid would throw, which costs more than
// the cell itself.
bool inGrid(const GridModel& grid, int row, int col)
{
    return row >= 0 && col >= 0 && row < grid.rows() && col < grid.cols();
}

} // namespace

void setCell(GridModel& grid, int row, int col, const QString& text)
{
    if (inGrid(grid, row, col))
        attempt([&] { grid.setTextMatrix(row, col, text); });
}

void cutIntoCell(GridModel& grid, int row, int col, QString& line, const QString& start, const QString& end,
                 const QString& suffix)
{
    attempt([&] { grid.setTextMatrix(row, col, Moji_get(line, start, end) + suffix); });
}

QString cellOrEmpty(const GridModel& grid, int row, int col)
{
    QString text;
    if (inGrid(grid, row, col))
        attempt([&] { text = grid.textMatrix(row, col); });
    return text;
}

} // namespace kazeyomi
