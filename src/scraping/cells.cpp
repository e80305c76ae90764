#include "scraping/cells.h"

#include "foundation/grid_model.h"
#include "scraping/attempt.h"
#include "scraping/text_helpers.h"

namespace kazeyomi {

void setCell(GridModel& grid, int row, int col, const QString& text)
{
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
    attempt([&] { text = grid.textMatrix(row, col); });
    return text;
}

} // namespace kazeyomi
