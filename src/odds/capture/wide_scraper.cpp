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
    static const QString kGrey = u"color0"_s;
    static const QString kTableEnd = u"</td></tr>"_s;
    static const QString kScratched = u"－"_s;
    static const QString kHighStart = u"<SPAN>-"_s;
    static const QString kStars = u"***"_s;
    if (indexOfExactly(line, kGrey) >= 0)
        return;
    // The last cell of a table still carries the table's closing tags after the range.
    const bool lastOfTable = indexOfExactly(line, kTableEnd) >= 0;
    // The cut upper-cases the line in hand, even when it fails.
    attempt([&] { low = Moji_get(line, u"<td>"_s, u"<span>"_s); });
    if (lastOfTable) {
        attempt([&] { high = Moji_get(line, u"<span>-"_s, u"</td></tr>"_s); });
    } else {
        // The upper bound runs to an "@" put after the line, as it was written for lines without
        // one: to the line's own first "@" or its end.
        const QStringView view(line);
        const qsizetype start = indexOfExactly(view, kHighStart);
        const qsizetype end = findUnit(view.utf16(), 0, view.size(), u'@');
        if (start < 0)
            high.clear();
        else if (end - start - kHighStart.size() >= 0)
            high = view.mid(start + kHighStart.size(), end - start - kHighStart.size()).toString();
    }
    setCell(lowGrid, row, col, low);
    setCell(highGrid, row, col, high);
    if (indexOfExactly(line, kScratched) >= 0) {
        setCell(lowGrid, row, col, kStars);
        setCell(highGrid, row, col, kStars);
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
