#include "odds/capture/santan_scraper.h"

#include "foundation/form_state.h"
#include "foundation/grid_layouts.h"
#include "foundation/grid_model.h"
#include "odds/capture/pair_table.h"
#include "odds/capture/triple_table.h"
#include "scraping/cells.h"

namespace kazeyomi {

using namespace Qt::StringLiterals;

namespace {

const PageKind kTrifectaPage{u"三連単.txt"_s, 1800};
constexpr int kPageColumns = 8;

// Only the lines holding a plain "<th>" (split into cells), "<tbody><tr>" or "<p>" go in; a
// line with both of the latter goes in twice.
TableLineMarks copyTrifectaLine(WorkFile& work, QStringView line)
{
    // Split on the chance that it holds "<th>", which most lines do; taken back otherwise.
    const qsizetype before = work.text().size();
    TableLineMarks marks;
    work.addLineMadeBy([&](QString& out) { marks = appendSplitAtCells(out, line, true); });
    if (marks.cellHead)
        return marks;
    work.truncate(before);
    if (marks.bodyRow)
        work.addLine(line);
    if (marks.tableStart)
        work.addLine(line);
    return marks;
}

// Labels 1 to N - 1 over and over, down to row (2N - 1)(N - 1), or 2N(N - 1) above 8 runners.
void labelTrifecta(GridModel& grid, int runners)
{
    const int perHorse = runners - 1;
    for (int c = 1; c <= kPageColumns; ++c)
        setCell(grid, 0, c, numberText(c));
    for (int a = 0; a <= 2 * perHorse; ++a) {
        for (int b = 1; b <= perHorse; ++b)
            setCell(grid, a * perHorse + b, 0, numberText(b));
        if (runners > 8) {
            for (int b = 1; b <= perHorse; ++b)
                setCell(grid, (a + 1) * perHorse + b, 0, numberText(b));
            ++a;
        }
    }
}

OddsScrape cutTrifecta(Context& ctx, CachedPage& page)
{
    TripleTables tables = copyTables(ctx, page, copyTrifectaLine, u"trifecta"_s);
    if (!tables.ready)
        return tables.notReady();
    const int runners = ctx.form.race.runnerCount;
    // Both half tables of a horse are read as one run of rows: eight cell lines and the line
    // that ends the table row.
    const int horses = readHorseTables(tables, ctx.form.grid(Grid::VSFlexGrid13), runners,
                                       (runners - 1) * (runners >= 10 ? 2 : 1), u"<tbody><tr>"_s, 1);
    return {horses > 0 ? ScrapeResult::Parsed : ScrapeResult::NoData, tables.fetch, {}};
}

} // namespace

OddsScrape Santan_get(Context& ctx, const QString& raceCode)
{
    if (withoutVenue(ctx))
        return {};
    GridModel& grid = ctx.form.grid(Grid::VSFlexGrid13);
    grid.clear();
    labelTrifecta(grid, ctx.form.race.runnerCount);
    CachedPage page = fetchCachedPage(ctx.fetcher, oddsPageUrl(ctx.siteUrl, raceCode, u"08.do"_s), kTrifectaPage);
    return cutTrifecta(ctx, page);
}

OddsScrape cutTrifectaPage(Context& ctx)
{
    CachedPage page = openCachedPage(ctx.fetcher, kTrifectaPage);
    return cutTrifecta(ctx, page);
}

} // namespace kazeyomi
