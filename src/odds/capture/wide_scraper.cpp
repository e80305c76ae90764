#include "odds/capture/wide_scraper.h"

#include "foundation/form_state.h"
#include "foundation/grid_layouts.h"
#include "foundation/grid_model.h"
#include "odds/capture/pair_table.h"
#include "scraping/attempt.h"
#include "scraping/cells.h"
#include "scraping/text_helpers.h"

namespace kazeyomi {

using namespace Qt::StringLiterals;

namespace {

const PairPage& widePage()
{
    // A favourite's range sits in a <div>, the lower bound in a <span> of its own; both go, so
    // that every range reads `2.1<span>-3.4`.
    static const std::vector<Replacement> steps = pairTableSteps({
        {u"<div class=nk23_u-color33><span>"_s, QString()},
        {u"</th><td><span>"_s, u"</th><td>"_s},
        {u"</div>"_s, QString()},
        {u"</td><th class=nk23_u-bg-color0 colspan=2>"_s, u"\r\n"_s},
        {u"<tr><th>\r\n"_s, u"\r\n"_s},
    });
    static const PairPage page{u"04.do"_s, {u"ワイド.txt"_s, 1800}, u">ワイド<"_s, 1, steps, u"wide"_s, u"ワイド"_s};
    return page;
}

OddsScrape cutWide(Context& ctx, PairTable& table)
{
    if (!table.ready)
        return table.notReady();
    GridModel& lowGrid = ctx.form.grid(Grid::VSFlexGrid10);
    GridModel& highGrid = ctx.form.grid(Grid::VSFlexGrid12);
    QString low;
    QString high;
    readStaircase(table.rows, ctx.form.race.runnerCount,
                  [&](int r, int c, QString& line) { cutWideCell(lowGrid, highGrid, r, c, line, low, high); });
    return {ScrapeResult::Parsed, table.fetch, {}};
}

} // namespace

void cutWideCell(GridModel& lowGrid, GridModel& highGrid, int row, int col, QString& line, QString& low, QString& high)
{
    if (line.contains(u"color0"_s))
        return;
    // The last cell of a table still carries the table's closing tags after the range.
    const bool lastOfTable = line.contains(u"</td></tr>"_s);
    attempt([&] { low = Moji_get(line, u"<td>"_s, u"<span>"_s); });
    if (lastOfTable) {
        attempt([&] { high = Moji_get(line, u"<span>-"_s, u"</td></tr>"_s); });
    } else {
        attempt([&] {
            QString withEnd = line + u"@"_s;
            high = Moji_get(withEnd, u"<span>-"_s, u"@"_s);
        });
    }
    setCell(lowGrid, row, col, low);
    setCell(highGrid, row, col, high);
    if (line.contains(u"－"_s)) {
        setCell(lowGrid, row, col, u"***"_s);
        setCell(highGrid, row, col, u"***"_s);
    }
}

OddsScrape Wide_get(Context& ctx, const QString& raceCode)
{
    if (withoutVenue(ctx))
        return {};
    for (Grid g : {Grid::VSFlexGrid10, Grid::VSFlexGrid12}) {
        GridModel& grid = ctx.form.grid(g);
        grid.clear();
        labelStaircase(grid, ctx.form.race.runnerCount);
    }
    PairTable table = fetchPairTable(ctx, raceCode, widePage());
    return cutWide(ctx, table);
}

} // namespace kazeyomi
