#include "scraping/cells.h"

#include <array>

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

QString numberText(int number)
{
    constexpr int kShared = 512;
    static const std::array<QString, kShared> texts = [] {
        std::array<QString, kShared> made;
        for (int n = 0; n < kShared; ++n)
            made[size_t(n)] = QString::number(n);
        return made;
    }();
    return number >= 0 && number < kShared ? texts[size_t(number)] : QString::number(number);
}

QString cellOrEmpty(const GridModel& grid, int row, int col)
{
    QString text;
    if (inGrid(grid, row, col))
        attempt([&] { text = grid.textMatrix(row, col); });
    return text;
}

} // namespace kazeyomi
