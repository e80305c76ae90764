#include "odds/capture/umatan_scraper.h"

#include "foundation/form_state.h"
#include "foundation/grid_layouts.h"
#include "foundation/grid_model.h"
#include "odds/capture/pair_table.h"
#include "scraping/cells.h"

namespace kazeyomi {

using namespace Qt::StringLiterals;

namespace {

// Two blocks of at most 16 rows.
constexpr int kMaxRows = 32;

const PairPage& exactaPage()
{
    // A row's end keeps its own line; the page tab also reads "馬単", so the table is
    // counted from the second heading.
    static const std::vector<Replacement> steps = pairTableSteps({{u"</tr><tr><th>"_s, u"</tr><tr><th>\r\n"_s}});
    static const PairPage page{u"03.do"_s, {u"馬単.txt"_s, 1800}, u">馬単<"_s, 2, steps, u"exacta"_s, u"馬単"_s};
    return page;
}

void labelExacta(GridModel& grid, int runners)
{
    for (int c = 1; c <= 8; ++c)
        setCell(grid, 0, c, numberText(c));
    for (int r = 1; r <= runners; ++r)
        setCell(grid, r, 0, numberText(r));
    if (runners > 8)
        for (int r = 1; r <= runners; ++r)
            setCell(grid, runners + r, 0, numberText(r));
}

OddsScrape cutExacta(GridModel& grid, PairTable& table)
{
    if (!table.ready)
        return table.notReady();
    PageReader& rows = table.rows;
    OddsCellCut cells;
    QString line;
    rows.readLine(line); // the quotation mark the record opens with
    for (int r = 1; r <= kMaxRows; ++r) {
        for (int c = 1; c <= 8; ++c) {
            rows.readLine(line);
            if (const std::optional<QString> text = cells.cut(line))
                setCell(grid, r, c, *text);
        }
        rows.readLine(line); // the end of the table row
        // The labels tell where the table ends.
        if (cellOrEmpty(grid, r + 1, 0).isEmpty())
            break;
    }
    return {ScrapeResult::Parsed, table.fetch, {}};
}

} // namespace

OddsScrape Umatan_get(Context& ctx, const QString& raceCode)
{
    if (withoutVenue(ctx))
        return {};
    GridModel& grid = ctx.form.grid(Grid::VSFlexGrid6);
    grid.clear();
    labelExacta(grid, ctx.form.race.runnerCount);
    PairTable table = fetchPairTable(ctx, raceCode, exactaPage());
    return cutExacta(grid, table);
}

} // namespace kazeyomi
