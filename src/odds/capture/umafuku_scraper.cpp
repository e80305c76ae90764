#include "odds/capture/umafuku_scraper.h"

#include "foundation/form_state.h"
#include "foundation/grid_layouts.h"
#include "foundation/grid_model.h"
#include "odds/capture/pair_table.h"
#include "scraping/cells.h"

namespace kazeyomi {

using namespace Qt::StringLiterals;

namespace {

const PairPage& quinellaPage()
{
    // A grey head cell and the start of a row each become a line break.
    static const std::vector<Replacement> steps = pairTableSteps({
        {u"</td><th class=nk23_u-bg-color0 colspan=2>"_s, u"\r\n"_s},
        {u"<tr><th>\r\n"_s, u"\r\n"_s},
    });
    static const PairPage page{u"04.do"_s,   {u"普通馬複.txt"_s, 1800}, u">普通馬複<"_s, 1, steps, u"quinella"_s,
                               u"普通馬複"_s};
    return page;
}

OddsScrape cutQuinella(Context& ctx, PairTable& table)
{
    if (!table.ready)
        return table.notReady();
    GridModel& grid = ctx.form.grid(Grid::VSFlexGrid5);
    OddsCellCut cells;
    readStaircase(table.rows, ctx.form.race.runnerCount, [&](int r, int c, QString& line) {
        if (const std::optional<QString> text = cells.cut(line))
            setCell(grid, r, c, *text);
    });
    return {ScrapeResult::Parsed, table.fetch, {}};
}

} // namespace

OddsScrape Umafuku_get(Context& ctx, const QString& raceCode)
{
    if (withoutVenue(ctx))
        return {};
    GridModel& grid = ctx.form.grid(Grid::VSFlexGrid5);
    grid.clear();
    labelStaircase(grid, ctx.form.race.runnerCount);
    PairTable table = fetchPairTable(ctx, raceCode, quinellaPage());
    return cutQuinella(ctx, table);
}

} // namespace kazeyomi
