#include "odds/capture/sanfuku_scraper.h"

#include <algorithm>

#include "foundation/form_state.h"
#include "foundation/grid_layouts.h"
#include "foundation/grid_model.h"
#include "foundation/text_fields.h"
#include "odds/capture/pair_table.h"
#include "odds/capture/triple_table.h"
#include "scraping/cells.h"

namespace kazeyomi {

using namespace Qt::StringLiterals;

namespace {

const PageKind kTrioPage{u"三連複.txt"_s, 1800};
constexpr int kPageColumns = 8;
// Every row of a block is eight cell lines and three more: the row's end, the next row's
// start and the text before its first cell.
constexpr int kLinesAfterRow = 3;

// Every line of a table goes in; those holding a plain "<th>" split into one line per cell.
TableLineMarks copyTrioLine(WorkFile& work, QStringView line)
{
    // Split on the chance that it holds "<th>", which most lines do; copied as it is otherwise.
    const qsizetype before = work.text().size();
    TableLineMarks marks;
    work.addLineMadeBy([&](QString& out) { marks = appendSplitAtCells(out, line, false); });
    if (!marks.cellHead) {
        work.truncate(before);
        work.addLine(line);
    }
    return marks;
}

OddsScrape cutTrio(Context& ctx, CachedPage& page)
{
    TripleTables tables = copyTables(ctx, page, copyTrioLine, u"trio"_s);
    if (!tables.ready)
        return tables.notReady();
    const int runners = ctx.form.race.runnerCount;
    // Without rows a block has nothing to read.
    const int blocks = runners > 2 ? readHorseTables(tables, ctx.form.grid(Grid::VSFlexGrid11), runners, runners - 2,
                                                     u"<tbody><tr> "_s, kLinesAfterRow)
                                   : 0;
    Sanfuku_arrange(ctx.form);
    return {blocks > 0 ? ScrapeResult::Parsed : ScrapeResult::NoData, tables.fetch, {}};
}

} // namespace

OddsScrape Sanfuku_get(Context& ctx, const QString& raceCode)
{
    if (withoutVenue(ctx))
        return {};
    GridModel& grid = ctx.form.grid(Grid::VSFlexGrid11);
    grid.clear();
    // The staircases go too: the trio file must not be written from the last race's odds.
    ctx.form.grid(Grid::VSFlexGrid20).clear();
    const int runners = ctx.form.race.runnerCount;
    const int rowsPerBlock = runners - 2;
    for (int b = 1; b <= runners; ++b)
        for (int j = 1; j <= rowsPerBlock; ++j)
            setCell(grid, j + (b - 1) * rowsPerBlock, 0, numberText(b));
    CachedPage page = fetchCachedPage(ctx.fetcher, oddsPageUrl(ctx.siteUrl, raceCode, u"09.do"_s), kTrioPage);
    return cutTrio(ctx, page);
}

OddsScrape cutTrioPage(Context& ctx)
{
    CachedPage page = openCachedPage(ctx.fetcher, kTrioPage);
    return cutTrio(ctx, page);
}

void Sanfuku_arrange(FormState& form)
{
    const GridModel& source = form.grid(Grid::VSFlexGrid11);
    GridModel& target = form.grid(Grid::VSFlexGrid20);
    target.clear();
    const int runners = form.race.runnerCount;
    const int rowsPerBlock = runners - 2;
    for (int b = 1; b <= runners && rowsPerBlock > 0; ++b) {
        const int base = (b - 1) * rowsPerBlock;
        const auto s = [&](int i, int j) { return cellOrEmpty(source, base + i, j); };
        const auto w = [&](int k, int t, const QString& text) { setCell(target, base + k, t, text); };
        // Upper part: row i of column j is the trio of horse b, the j-th other horse and the
        // (j + i)-th. A blank cell ends the copy of its row, as the lower parts lie to its right.
        for (int i = 1; i <= rowsPerBlock; ++i) {
            for (int j = 1; j <= kPageColumns; ++j) {
                const QString cell = s(i, j);
                if (trimSpaces(cell).isEmpty())
                    break;
                w(i, j, cell);
            }
        }
        // Lower part: below the empty cell under column s's own N - 1 - s trios stand the trios
        // of the (17 - s)-th other horse. The empty cell is looked for only below those trios: a
        // blank among them (odds not shown yet) would shift every later odds onto the wrong trio.
        // Without blanks this finds the same cell as a search from the top.
        for (int m = 0; m <= kPageColumns; ++m) {
            const int col = kPageColumns - m;
            int i = std::max(1, runners - col);
            while (i <= rowsPerBlock && !s(i, col).isEmpty())
                ++i;
            if (i > rowsPerBlock)
                continue;
            while (i < rowsPerBlock && s(i, col).isEmpty())
                ++i;
            for (int k = 1; i <= rowsPerBlock; ++i, ++k) {
                const QString cell = s(i, col);
                if (!cell.isEmpty())
                    w(k, 9 + m, cell);
            }
        }
    }
}

} // namespace kazeyomi
