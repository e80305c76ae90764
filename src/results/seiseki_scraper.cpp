#include "results/seiseki_scraper.h"

#include <array>

#include "foundation/context.h"
#include "foundation/controls.h"
#include "foundation/form_state.h"
#include "foundation/grid_layouts.h"
#include "foundation/schedule_columns.h"
#include "foundation/text_fields.h"
#include "scraping/cached_page.h"
#include "scraping/cells.h"

namespace kazeyomi {

using namespace Qt::StringLiterals;

namespace {

const std::array<QString, 14> kFinishHeaders = {
    u"着"_s,   u"枠"_s,   u"馬番"_s,   u"馬名"_s,   u"性齢"_s, u"負担重量"_s, u"馬体重"_s,
    u"増減"_s, u"騎手"_s, u"タイム"_s, u"調教師"_s, u"着差"_s, u"上り３F"_s,  u"人気"_s,
};

// The end of a link to a horse, jockey or trainer page as the page cache holds it: the
// cache doubles every quotation mark, so href="....do" ends in .do"">.
const QString kLinkEnd = u".do\"\">"_s;
const QString kCellStart = u"<td>"_s;
const QString kCellEnd = u"</td>"_s;
const QString kPopularityHeader = u"<th>人気</th>"_s;
const QString kYen = u"円"_s;
const QString kNoPayout = u"-円"_s;

void cutPayout(GridModel& grid, int row, int col, QString& line)
{
    cutIntoCell(grid, row, col, line, u">"_s, kCellEnd, kYen);
}

// One horse: 17 lines, the position cell two lines after the previous horse's last read.
// False when the table ends here (an empty line or no position).
bool readHorse(PageReader& page, QString& line, GridModel& table, int r)
{
    page.skip(line, 2);
    if (line.isEmpty())
        return false;
    cutIntoCell(table, r, 1, line, u">"_s, kCellEnd);
    if (cellOrEmpty(table, r, 1).isEmpty())
        return false;
    page.readLine(line);
    cutIntoCell(table, r, 2, line, u"<strong>"_s, u"</strong>"_s);
    page.readLine(line);
    cutIntoCell(table, r, 3, line, kCellStart, kCellEnd);
    page.readLine(line);
    cutIntoCell(table, r, 4, line, kLinkEnd, u"</a></td>"_s);
    for (int col = 5; col <= 8; ++col) {
        page.readLine(line);
        cutIntoCell(table, r, col, line, kCellStart, kCellEnd);
    }
    page.readLine(line);
    cutIntoCell(table, r, 9, line, kLinkEnd, u"</a>"_s);
    // The page shows the trainer before the time.
    page.readLine(line);
    cutIntoCell(table, r, 11, line, kLinkEnd, u"</a>"_s);
    page.readLine(line);
    cutIntoCell(table, r, 10, line, kCellStart, kCellEnd);
    page.readLine(line);
    if (!line.contains(u"出走取消"_s))
        cutIntoCell(table, r, 12, line, kCellStart, kCellEnd);
    page.readLine(line);
    cutIntoCell(table, r, 13, line, kCellStart, kCellEnd);
    page.skip(line, 2);
    cutIntoCell(table, r, 14, line, kCellStart, kCellEnd);
    page.readLine(line);
    return true;
}

// Win, place (three), bracket quinella, bracket exacta and exacta: the first payout table
// has three rows of six bet types, three cells each (combination, payout, popularity).
// False when the page ends before the table.
bool readFirstPayouts(PageReader& page, QString& line, GridModel& payouts)
{
    if (!page.readUntil(line, u">単勝<"_s) || !page.readUntil(line, u"<tbody>"_s))
        return false;
    page.skip(line, 3);
    cutPayout(payouts, 3, 2, line);
    page.skip(line, 3);
    cutPayout(payouts, 3, 5, line);
    page.skip(line, 3);
    cutPayout(payouts, 3, 8, line);
    page.skip(line, 3);
    cutPayout(payouts, 3, 11, line);
    page.skip(line, 6);
    setCell(payouts, 4, 5, kNoPayout);
    setCell(payouts, 5, 5, kNoPayout);
    cutPayout(payouts, 3, 17, line);
    // No place betting: the other two place payouts stay "-円" and their rows are not read.
    if (cellOrEmpty(payouts, 3, 5) != kNoPayout) {
        page.skip(line, 8);
        cutPayout(payouts, 4, 5, line);
        page.skip(line, 20);
        cutPayout(payouts, 5, 5, line);
    }
    return true;
}

// Wide (three), trio and trifecta: the second payout table, found by the three popularity
// headers of its bet types. False when the page ends before them.
bool readSecondPayouts(PageReader& page, QString& line, GridModel& payouts)
{
    for (int header = 0; header < 3; ++header) {
        if (!page.readUntil(line, kPopularityHeader))
            return false;
        page.readLine(line);
    }
    page.readLine(line);
    // A refund notice stands between the header and the first row.
    if (line.contains(u"返還"_s))
        page.readLine(line);
    page.skip(line, 4);
    cutPayout(payouts, 7, 2, line);
    page.skip(line, 3);
    cutPayout(payouts, 7, 5, line);
    page.skip(line, 3);
    cutPayout(payouts, 7, 8, line);
    page.skip(line, 5);
    cutPayout(payouts, 8, 2, line);
    page.skip(line, 11);
    cutPayout(payouts, 9, 2, line);
    return true;
}

} // namespace

QString resultPageUrl(const QString& site, const QString& raceCode)
{
    return site + u"/result/"_s + raceCode + u".do"_s;
}

PageFetch Seiseki_get(Context& ctx, const QString& raceCode)
{
    FormState& form = ctx.form;
    GridModel& table = form.grid(Grid::VSFlexGrid14);
    GridModel& payouts = form.grid(Grid::VSFlexGrid16);
    GridModel& schedule = form.grid(Grid::VSFlexGrid8);
    const bool testMode = form.race.resultTestFlag == 1;

    table.clear();
    payouts.clear();
    if (form.text(Control::Label1).isEmpty())
        return {};
    table.clear();
    for (int c = 1; c <= int(kFinishHeaders.size()); ++c)
        setCell(table, 0, c, kFinishHeaders[size_t(c - 1)]);

    // The test flag reads the page the last fetch left, and keeps no copy of it.
    CachedPage cached =
        testMode ? openCachedPage(ctx.fetcher, {QString(), kResultMinBytes})
                 : fetchCachedPage(ctx.fetcher, resultPageUrl(ctx.siteUrl, raceCode), {u"成績.txt"_s, kResultMinBytes});
    if (cached.state == PageState::FetchFailed)
        return std::move(cached.fetch);
    // An error page or no page at all: nothing to cut.
    if (!cached.ready())
        return std::move(cached.fetch);

    PageReader& page = cached.reader;
    QString line;
    page.skip(line, 2);
    // A search that reaches the end of the page ends the capture with what was cut so far.
    if (!page.readUntil(line, kPopularityHeader))
        return std::move(cached.fetch);
    if (testMode)
        form.race.runnerCount = 11;
    page.skip(line, 3);

    int i = 0;
    for (int r = 1; i < form.race.runnerCount; ++i, ++r)
        if (!readHorse(page, line, table, r))
            break;
    // Fewer horses than runners: the result is not complete yet, and no payouts are read.
    if (i < form.race.runnerCount) {
        table.clear();
        return std::move(cached.fetch);
    }
    setCell(schedule, form.race.row, ScheduleColumn::State, FetchState::kComplete);
    form.grid(Grid::VSFlexGrid15).clear();

    // A page that ends before a payout table keeps what was cut so far.
    if (readFirstPayouts(page, line, payouts))
        readSecondPayouts(page, line, payouts);

    // No runners at all: the table had no rows, so there is no result to keep.
    if (trimSpaces(cellOrEmpty(table, 1, 1)).isEmpty()) {
        table.clear();
        form.grid(Grid::VSFlexGrid15).clear();
        payouts.clear();
        setCell(schedule, form.race.row, ScheduleColumn::State, FetchState::kNoResult);
    }
    return std::move(cached.fetch);
}

} // namespace kazeyomi
