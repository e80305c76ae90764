#include "odds/capture/tanfuku_scraper.h"

#include <functional>
#include <map>

#include <QCoreApplication>
#include <QFileInfo>
#include <QStringList>

#include <gtest/gtest.h>

#include "demo/odds_pages.h"
#include "foundation/controls.h"
#include "foundation/grid_layouts.h"
#include "foundation/schedule_columns.h"
#include "foundation/text_codec.h"
#include "support/files.h"
#include "support/race_fixture.h"

using namespace kazeyomi;
using namespace Qt::StringLiterals;

namespace {

const QString kRaceCode = u"20251205200110"_s;

class TanFukuGet : public test::RaceFixture {
protected:
    void SetUp() override
    {
        RaceFixture::SetUp();
        setRace(u"大井"_s, 10);
        form.race.row = 10;
    }

    QString url() const { return test::kSite + u"/odds/"_s + kRaceCode + u"01.do"_s; }
    void serve(const QByteArray& html) { site.setPage(url(), html, kOddsPageContentType); }
    void serve(const WinPlacePage& page) { serve(winPlacePage(page)); }
    static WinPlacePage field(int runners)
    {
        WinPlacePage page;
        page.raceCode = kRaceCode;
        page.time = u"09:58"_s;
        page.runners = sampleRunners(runners);
        return page;
    }

    GridModel& odds() { return form.grid(Grid::VSFlexGrid3); }
    QStringList row(int r)
    {
        QStringList cells;
        for (int c = 0; c < 4; ++c)
            cells << odds().textMatrix(r, c);
        return cells;
    }
    static QStringList expected(const WinPlaceRunner& h)
    {
        return {QString::number(h.number), h.win, h.placeLow, h.placeHigh};
    }
    void fillWithJunk()
    {
        for (int r = 0; r < odds().rows(); ++r)
            for (int c = 0; c < 4; ++c)
                odds().setTextMatrix(r, c, u"x"_s);
        form.setText(Control::Text9, u"08:00"_s);
        form.race.runnerCount = 9;
    }
    void expectOnlyHeaders()
    {
        EXPECT_EQ(row(0), (QStringList{QString(), u"単勝"_s, u"複勝"_s, u"複勝"_s}));
        for (int r = 1; r <= 16; ++r)
            EXPECT_EQ(row(r), QStringList(4)) << "row " << r;
    }
    // A page in the cache text form, padded past the short-page limit after its end.
    void writeCachedPage(const QStringList& lines)
    {
        test::writeCp932(context.appFile(u"tmp.txt"_s),
                         u"\""_s + lines.join(u"\r\n"_s) + u"\r\n"_s + QString(1800, u'x') + u"\"\r\n"_s);
    }
};

TEST_F(TanFukuGet, CurrentOddsFillOneRowPerHorseWithThePageTime)
{
    // Another program replaces tmp.txt right after the fetch wrote it: the scraper still reads
    // the page its fetch brought.
    const QByteArray foreign = "\"" + QByteArray(2000, 'x') + "\"\r\n";
    site.onGet = [&](const QString&) {
        QMetaObject::invokeMethod(
            qApp, [&] { test::writeBytes(context.appFile(u"tmp.txt"_s), foreign); }, Qt::QueuedConnection);
    };
    const std::pair<const char*, int> sizes[] = {{"5 runners", 5}, {"12 runners", 12}, {"16 runners", 16}};
    for (const auto& [name, size] : sizes) {
        SCOPED_TRACE(name);
        fillWithJunk();
        const WinPlacePage page = field(size);
        serve(page);

        EXPECT_EQ(TanFuku_get(context, kRaceCode), ScrapeResult::Parsed);
        EXPECT_EQ(test::readBytes(context.appFile(u"tmp.txt"_s)), foreign);
        EXPECT_EQ(form.text(Control::Text9), u"09:58"_s);
        EXPECT_EQ(form.race.runnerCount, size);
        EXPECT_EQ(row(0), (QStringList{QString(), u"単勝"_s, u"複勝"_s, u"複勝"_s}));
        for (int r = 1; r <= 16; ++r)
            EXPECT_EQ(row(r), r <= size ? expected(page.runners[r - 1]) : QStringList(4)) << "row " << r;
        EXPECT_EQ(test::readBytes(context.appFile(u"単勝・複勝.txt"_s)),
                  PageFetcher::preparePage(winPlacePage(page), kOddsPageContentType, MarkupStyle::Modern)->bytes);
    }
    EXPECT_EQ(site.requested, QStringList(3, url()));
}

TEST_F(TanFukuGet, FinalOddsAreStampedWithTheClockTime)
{
    const struct {
        const char* name;
        QTime now;
        QString stamp;
    } rows[] = {
        {"afternoon", QTime(14, 30), u"14:30"_s},
        {"morning, zero-padded", QTime(9, 5), u"09:05"_s},
    };
    WinPlacePage page = field(5);
    page.kind = WinPlacePage::Kind::Final;
    serve(page);
    for (const auto& r : rows) {
        SCOPED_TRACE(r.name);
        clock.set(QDateTime(QDate(2025, 12, 5), r.now));
        EXPECT_EQ(TanFuku_get(context, kRaceCode), ScrapeResult::Parsed);
        EXPECT_EQ(form.text(Control::Text9), r.stamp);
        EXPECT_EQ(row(5), expected(page.runners[4]));
    }
}

TEST_F(TanFukuGet, CancelledRaceMarksTheCurrentScheduleRowAndStops)
{
    form.race.row = 7; // not the race number: the fetch cycle's row decides
    fillWithJunk();
    WinPlacePage page = field(0);
    page.kind = WinPlacePage::Kind::Cancelled;
    serve(page);

    EXPECT_EQ(TanFuku_get(context, kRaceCode), ScrapeResult::NoData);
    const GridModel& schedule = form.grid(Grid::VSFlexGrid8);
    EXPECT_EQ(schedule.textMatrix(7, ScheduleColumn::Mark6), ScheduleValue::kCalledOff);
    EXPECT_EQ(schedule.textMatrix(7, ScheduleColumn::Payout), ScheduleValue::kPayoutDone);
    EXPECT_EQ(schedule.textMatrix(7, ScheduleColumn::State), FetchState::kComplete);
    EXPECT_EQ(schedule.textMatrix(10, ScheduleColumn::Mark6), QString());
    EXPECT_EQ(form.race.runnerCount, 9);
    EXPECT_EQ(form.text(Control::Text9), QString());
    expectOnlyHeaders();
}

// Horses out or without place odds get stars; only a "color33" span around the win odds is read;
// a horse without upper place odds ends the table.
TEST_F(TanFukuGet, HorsesOutHighlightedOrWithoutOdds)
{
    const struct {
        const char* name;
        std::function<void(WinPlacePage&)> change;
        int runnerCount;
        std::map<int, QStringList> rows; // the rows checked
    } cases[] = {
        {"scratched, excluded, no place odds",
         [](WinPlacePage& p) {
             p.runners[1].state = WinPlaceRunner::State::Scratched;
             p.runners[3].state = WinPlaceRunner::State::Excluded;
             p.runners[4].placeShown = false;
         },
         6,
         {{2, {u"2"_s, u"***"_s, u"***"_s, u"***"_s}},
          {4, {u"4"_s, u"***"_s, u"***"_s, u"***"_s}},
          {5, {u"5"_s, u"7.9"_s, u"***"_s, u"***"_s}},
          {6, {u"6"_s, u"102.5"_s, u"15.2"_s, u"27.6"_s}}}},
        {"favourite",
         [](WinPlacePage& p) { p.runners[1].highlight = u"color33"_s; },
         6,
         {{2, {u"2"_s, u"12.6"_s, u"2.8"_s, u"4.5"_s}}}},
        {"another colour",
         [](WinPlacePage& p) { p.runners[1].highlight = u"color12"_s; },
         6,
         {{2, {u"2"_s, QString(), u"2.8"_s, u"4.5"_s}}}},
        {"no upper place odds",
         [](WinPlacePage& p) { p.runners[2].placeHigh.clear(); },
         2,
         {{2, {u"2"_s, u"12.6"_s, u"2.8"_s, u"4.5"_s}},
          {3, {QString(), u"1.8"_s, u"1.1"_s, QString()}},
          {4, QStringList(4)}}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        WinPlacePage page = field(6);
        c.change(page);
        serve(page);
        EXPECT_EQ(TanFuku_get(context, kRaceCode), ScrapeResult::Parsed);
        EXPECT_EQ(form.race.runnerCount, c.runnerCount);
        for (const auto& [r, cells] : c.rows)
            EXPECT_EQ(row(r), cells) << "row " << r;
    }
}

TEST_F(TanFukuGet, AMeetingOutsideSouthernKantoIsReadOneLineFurther)
{
    WinPlacePage page = field(4);
    page.venue = u"門別"_s;
    serve(page);

    setRace(u"門別"_s, 10);
    (void)TanFuku_get(context, kRaceCode);
    EXPECT_EQ(row(1), expected(page.runners[0]));
    EXPECT_EQ(form.race.runnerCount, 4);

    // Read as a home meeting, the row loop starts one line early and the cuts slide.
    setRace(u"大井"_s, 10);
    (void)TanFuku_get(context, kRaceCode);
    EXPECT_EQ(row(1), (QStringList{u"1"_s, QString(), QString(), u"3.4"_s}));
}

TEST_F(TanFukuGet, PagesWithoutOddsEndWithNoData)
{
    const QByteArray page = winPlacePage(field(5));
    const struct {
        const char* name;
        QByteArray html;
        QString stamp;
        QString problem; // the layout change that is reported
    } rows[] = {
        {"no marker words", QByteArray(page).replace("現在", "時点"), QString(),
         u"the site's 単勝・複勝 page shows neither 現在, 最終オッズ nor 取り止め: its layout may have changed"_s},
        {"no place header", QByteArray(page).replace("<th>複勝</th>", "<th>複勝オッズ</th>"), u"09:58"_s,
         u"the site's 単勝・複勝 page has no 複勝 column: its layout may have changed"_s},
        {"failed fetch", QByteArray(), u"08:00"_s, QString()},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.name);
        fillWithJunk();
        site.pages.clear();
        if (!r.html.isEmpty())
            serve(r.html);
        const OddsScrape scraped = TanFuku_get(context, kRaceCode);
        EXPECT_EQ(scraped, ScrapeResult::NoData);
        EXPECT_EQ(scraped.problem, r.problem);
        EXPECT_EQ(scraped.fetch.ok(), !r.html.isEmpty());
        EXPECT_EQ(form.text(Control::Text9), r.stamp);
        EXPECT_EQ(form.race.runnerCount, 9);
        expectOnlyHeaders();
    }
    EXPECT_FALSE(QFileInfo::exists(context.appFile(u"単勝・複勝.txt"_s)));
}

TEST_F(TanFukuGet, ThePageLimitIs1800BytesOfTheCacheFile)
{
    const QStringList lines = {uR"(<p class=""t"">09:58現在</p>)"_s, u"<th>複勝</th>"_s};
    const QString head = u"\""_s + lines.join(u"\r\n"_s) + u"\r\n"_s;
    for (int size : {1799, 1800}) {
        SCOPED_TRACE(size);
        form.setText(Control::Text9, u"08:00"_s);
        test::writeBytes(context.appFile(u"tmp.txt"_s), toCp932(head) + QByteArray(size - toCp932(head).size(), 'x'));
        EXPECT_EQ(cutWinPlacePage(context), size < 1800 ? ScrapeResult::NoData : ScrapeResult::Parsed);
        EXPECT_EQ(form.text(Control::Text9), size < 1800 ? u"08:00"_s : u"09:58"_s);
    }
}

TEST_F(TanFukuGet, CutsTheTimeAsTheSiteWritesIt)
{
    for (const QStringList& r : test::dataRows(u"win_place_times.tsv"_s)) {
        SCOPED_TRACE(r[0].toStdString());
        writeCachedPage({r[1], u"<th>複勝</th>"_s});
        EXPECT_EQ(cutWinPlacePage(context), ScrapeResult::Parsed);
        EXPECT_EQ(form.text(Control::Text9), r[2]);
    }
}

TEST_F(TanFukuGet, CutsOddsCellsByTheirFixedMarkers)
{
    for (const QStringList& r : test::dataRows(u"win_place_cells.tsv"_s)) {
        SCOPED_TRACE(r[0].toStdString());
        odds().clear();
        writeCachedPage({u"<p>09:58現在</p>"_s, u"<th>複勝</th>"_s, u"</tr>"_s, u"<tr>"_s, u"<td></td>"_s, u"</tr>"_s,
                         u"<tr>"_s, u"<td>1</td>"_s, u"<td>name</td>"_s, r[1], u"</td>"_s, r[2], u"</td>"_s, u"</tr>"_s,
                         u"</tbody>"_s, u"</table>"_s, u"</div>"_s});
        EXPECT_EQ(cutWinPlacePage(context), ScrapeResult::Parsed);
        EXPECT_EQ(row(1), QStringList{u"1"_s} + r.mid(3));
        EXPECT_EQ(form.race.runnerCount, 1);
    }
}

TEST_F(TanFukuGet, ANumberLineCutInPlaceIsNotSkippedForRowspan)
{
    // The loop starts on the number cell itself: the cut matches, upper-cases the line,
    // and its "rowspan" no longer counts.
    writeCachedPage({u"<p>09:58現在</p>"_s, u"<th>複勝</th>"_s, u"-"_s, u"-"_s, u"-"_s, u"-"_s,
                     uR"(<td>1</td><td rowspan=""2"">)"_s, u"<td>name</td>"_s, uR"(<td class=""o"">2.3)"_s, u"</td>"_s,
                     uR"(<td class=""o"">1.2-1.5)"_s, u"</td>"_s, u"</tr>"_s, u"</tbody>"_s, u"</table>"_s,
                     u"</div>"_s});
    EXPECT_EQ(cutWinPlacePage(context), ScrapeResult::Parsed);
    EXPECT_EQ(row(1), (QStringList{u"1"_s, u"2.3"_s, u"1.2"_s, u"1.5"_s}));
    EXPECT_EQ(form.race.runnerCount, 1);
}

} // namespace
