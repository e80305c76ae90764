#include "odds/capture/tanfuku_scraper.h"

#include "foundation/clock.h"
#include "foundation/controls.h"
#include "foundation/form_state.h"
#include "foundation/grid_layouts.h"
#include "foundation/grid_model.h"
#include "foundation/schedule_columns.h"
#include "foundation/text_fields.h"
#include "scraping/attempt.h"
#include "scraping/cached_page.h"
#include "scraping/cells.h"
#include "scraping/text_helpers.h"

namespace kazeyomi {

using namespace Qt::StringLiterals;

namespace {

// Anything shorter than 1800 bytes is the site's busy or error page, not an odds page.
const PageKind kWinPlacePage{u"単勝・複勝.txt"_s, 1800};

// The end of a start tag whose last attribute value is quoted; the odds follow it.
const QString kAttributeEnd = u"\">"_s;

// The rest of the line after the first attribute-end marker, or up to an "@" of its own.
QString afterAttributeEnd(const QString& line)
{
    QString withEnd = line + u"@"_s;
    return Moji_get(withEnd, kAttributeEnd, u"@"_s);
}

// Pages of meetings outside Southern Kanto carry one line more above the horses.
bool isSouthernKanto(const QString& venue)
{
    return venue == u"浦和"_s || venue == u"船橋"_s || venue == u"大井"_s || venue == u"川崎"_s;
}

// The fetch cycle polls a row no more once its fetch state is complete.
void markCancelled(Context& ctx)
{
    const int row = ctx.form.race.row;
    GridModel& schedule = ctx.form.grid(Grid::VSFlexGrid8);
    setCell(schedule, row, ScheduleColumn::Mark6, ScheduleValue::kCalledOff);
    setCell(schedule, row, ScheduleColumn::Payout, ScheduleValue::kPayoutDone);
    setCell(schedule, row, ScheduleColumn::State, FetchState::kComplete);
}

// A page without the words or the column every odds page has: the site has changed it.
QString layoutChanged(const QString& what)
{
    return u"the site's 単勝・複勝 page %1: its layout may have changed"_s.arg(what);
}

void dropRow(FormState& form, GridModel& grid, int row)
{
    setCell(grid, row, 0, QString());
    form.race.runnerCount = qint16(form.race.runnerCount - 1);
}

// The page after the fetch, from its first line: which kind of odds, the time, the horse table.
OddsScrape cutWinPlace(Context& ctx, PageReader& reader)
{
    FormState& form = ctx.form;
    GridModel& grid = form.grid(Grid::VSFlexGrid3);
    form.setText(Control::Text9, QString());
    QString line;

    // Which kind of page this is; "9999" marks final odds until the clock time replaces it.
    for (;;) {
        if (line.contains(u"現在"_s))
            break;
        if (line.contains(u"最終オッズ"_s)) {
            form.setText(Control::Text9, u"9999"_s);
            break;
        }
        if (line.contains(u"取り止め"_s)) {
            markCancelled(ctx);
            return {ScrapeResult::NoData, {}, {}};
        }
        // A page without any of the three words holds no odds; a history line cut from it
        // would record odds that were never offered.
        if (!reader.readLine(line))
            return {ScrapeResult::NoData, {}, layoutChanged(u"shows neither 現在, 最終オッズ nor 取り止め"_s)};
    }

    line = line.right(100);
    if (form.text(Control::Text9).isEmpty())
        attempt([&] { form.setText(Control::Text9, trimSpaces(Moji_get(line, u">"_s, u"現在"_s)).right(5)); });
    else
        form.setText(Control::Text9, ctx.clock.now().toString(u"HH:mm"_s));

    // Same reason as above: without the place header there is no odds table to cut.
    while (!upperAscii(line).contains(u"<TH>複勝</TH>"_s)) {
        if (!reader.readLine(line))
            return {ScrapeResult::NoData, {}, layoutChanged(u"has no 複勝 column"_s)};
    }
    // Fixed skips to the first horse row; the site's layout decides that they land there.
    reader.skip(line, 5);
    if (!isSouthernKanto(form.text(Control::Text7)))
        reader.readLine(line);

    int r = 1;
    while (!reader.atEnd()) {
        setCell(grid, r, 0, QString::number(r));
        form.race.runnerCount = qint16(r);

        // The page's horse number only keeps the line position; the cut upper-cases the
        // line, so the "rowspan" test below only sees a line read afresh.
        attempt([&] {
            if (Moji_get(line, u"<td>"_s, u"</td>"_s) != QString::number(r))
                reader.readLine(line);
        });
        if (line.contains(u"rowspan"_s))
            reader.readLine(line);

        reader.readLine(line);
        if (line == u"</div>"_s) {
            dropRow(form, grid, r);
            break;
        }

        // Win cell. A popular horse's odds sit in a "color33" span; any other colour
        // leaves nothing to cut.
        reader.readLine(line);
        if (line.contains(u"color"_s))
            attempt([&] { line = Moji_get(line, u"color33"_s, u"</span>"_s); });
        attempt([&] { grid.setTextMatrix(r, 1, afterAttributeEnd(line)); });

        bool out = false;
        attempt([&] {
            const QString win = grid.textMatrix(r, 1);
            if (win == u"出走取消"_s || win == u"競走除外"_s) {
                grid.setTextMatrix(r, 1, u"***"_s);
                out = true;
            }
        });

        // Place cell: "low-high", upper-cased by the cut.
        reader.skip(line, 2);
        attempt([&] { line = trimSpaces(afterAttributeEnd(line)); });
        if (line.contains(u"－"_s)) {
            setCell(grid, r, 2, u"***"_s);
            setCell(grid, r, 3, u"***"_s);
        } else {
            if (line.contains(u"COLOR"_s))
                attempt([&] { line = trimSpaces(Moji_get(line, kAttributeEnd, u"</SPAN>"_s)); });
            const qsizetype dash = line.indexOf(u'-');
            // Without a dash the low odds cut fails and column 2 stays empty.
            if (dash >= 0)
                setCell(grid, r, 2, trimSpaces(line.left(dash)));
            setCell(grid, r, 3, trimSpaces(line.mid(dash + 1, 10)));
        }

        if (out) {
            setCell(grid, r, 1, u"***"_s);
            setCell(grid, r, 2, u"***"_s);
            setCell(grid, r, 3, u"***"_s);
        }

        bool noHorse = false;
        attempt([&] { noHorse = grid.textMatrix(r, 3).isEmpty(); });
        if (noHorse) {
            dropRow(form, grid, r);
            break;
        }

        ++r;
        reader.skip(line, 3);
    }
    return {ScrapeResult::Parsed, {}, {}};
}

} // namespace

OddsScrape TanFuku_get(Context& ctx, const QString& raceCode)
{
    if (ctx.form.text(Control::Label1).isEmpty())
        return {};

    GridModel& grid = ctx.form.grid(Grid::VSFlexGrid3);
    grid.clear();
    setCell(grid, 0, 1, u"単勝"_s);
    setCell(grid, 0, 2, u"複勝"_s);
    setCell(grid, 0, 3, u"複勝"_s);

    CachedPage page = fetchCachedPage(ctx.fetcher, oddsPageUrl(ctx.siteUrl, raceCode, u"01.do"_s), kWinPlacePage);
    if (!page.ready())
        return {ScrapeResult::NoData, page.fetch, {}};
    OddsScrape cut = cutWinPlace(ctx, page.reader);
    cut.fetch = page.fetch;
    return cut;
}

OddsScrape cutWinPlacePage(Context& ctx)
{
    CachedPage page = openCachedPage(ctx.fetcher, kWinPlacePage);
    if (!page.ready())
        return {ScrapeResult::NoData, {}, {}};
    return cutWinPlace(ctx, page.reader);
}

} // namespace kazeyomi
