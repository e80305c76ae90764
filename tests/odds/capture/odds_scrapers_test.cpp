// The odds scrapers against the stand-in site's pages and page caches written line by line,
// cell by cell: win and place, exacta, quinella, wide, trio and trifecta.
#include <algorithm>
#include <functional>
#include <map>

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>

#include <gtest/gtest.h>

#include "demo/odds_pages.h"
#include "demo/pair_pages.h"
#include "foundation/controls.h"
#include "foundation/grid_model.h"
#include "foundation/schedule_columns.h"
#include "foundation/text_codec.h"
#include "odds/capture/sanfuku_scraper.h"
#include "odds/capture/santan_scraper.h"
#include "odds/capture/tanfuku_scraper.h"
#include "odds/capture/triple_table.h"
#include "odds/capture/umafuku_scraper.h"
#include "odds/capture/umatan_scraper.h"
#include "odds/capture/wide_scraper.h"
#include "schedule/race_fetch.h"
#include "scraping/text_helpers.h"
#include "scraping/work_file.h"
#include "support/files.h"
#include "support/race_fixture.h"

using namespace kazeyomi;
using namespace Qt::StringLiterals;

namespace {

const QString kRaceCode = u"20251205200110"_s;
constexpr int kRow = 10;

// Cells written as one text, split at blanks; "-" stands for an empty cell.
QStringList cellsOf(const QString& text)
{
    return text.split(u' ').replaceInStrings(QRegularExpression(u"^-$"_s), QString());
}

TEST(SplitAtCells, PutsEachCellOnALineAndDropsTheHighlights)
{
    for (const QStringList& r : test::dataRows(u"cell_splits.tsv"_s)) {
        SCOPED_TRACE(r[0].toStdString());
        EXPECT_EQ(splitAtCells(r[1], r[2] == u"yes"_s), r[3]);
    }
}

// Lines made of the pieces below: every one of up to three pieces, and longer ones drawn with a
// fixed seed. The pieces are the markers, their halves and what stands around them.
std::vector<QString> linesOf(const QStringList& pieces, int drawn, int length)
{
    std::vector<QString> lines{QString()};
    std::vector<QString> level{QString()};
    for (int size = 1; size <= 3; ++size) {
        std::vector<QString> longer;
        for (const QString& start : level)
            for (const QString& piece : pieces)
                longer.push_back(start + piece);
        lines.insert(lines.end(), longer.begin(), longer.end());
        level = std::move(longer);
    }
    quint32 seed = 20251205;
    for (int i = 0; i < drawn; ++i) {
        QString line;
        for (int k = 0; k < length; ++k) {
            seed = seed * 1664525u + 1013904223u;
            line += pieces[qsizetype(seed >> 16) % pieces.size()];
        }
        lines.push_back(line);
    }
    return lines;
}

// The split is made in one pass over the line and finds the copy's markers on the way: it must
// give what the replacements one after another give, whatever the line holds, and the markers
// the line holds.
TEST(SplitAtCells, GivesWhatTheReplacementsInOrderGive)
{
    const QString highlight = u"<span class=\"\"nk23_u-color\"\">"_s;
    const QString popular = u"<span class=\"\"nk23_u-color33\"\">"_s;
    const std::vector<Replacement> inOrder = {
        {u"<th>"_s, u"<th>\r\n"_s}, {highlight, {}}, {popular, {}},
        {u"</span>"_s, {}},         {u"<th>"_s, {}}, {u"nk23_u-bg-color0"_s, u"\r\n"_s}};
    const QStringList pieces = {u"<th>"_s,
                                u"<t"_s,
                                u"h>"_s,
                                highlight,
                                popular,
                                u"</span>"_s,
                                u"nk23_u-bg-color0"_s,
                                u"nk23_u-"_s,
                                u"bg-color0"_s,
                                u"</tr> "_s,
                                u"<tr>"_s,
                                u"2</th><td>1.5</td>"_s,
                                u"<p>"_s,
                                u"</tbody></table>"_s,
                                u"<tbody><tr>"_s,
                                u">"_s,
                                u"<"_s,
                                u"x"_s,
                                u"\r"_s};
    for (const QString& line : linesOf(pieces, 3000, 12)) {
        SCOPED_TRACE(line.toStdString());
        for (const bool rowBreaks : {false, true}) {
            QString expected = replaceInOrder(line, inOrder);
            if (rowBreaks)
                expected.replace(u"</tr> \r\n<tr>"_s, u"</tr> \r\n\r\n<tr>"_s);
            QString split = u"before"_s;
            const TableLineMarks marks = appendSplitAtCells(split, line, rowBreaks);
            ASSERT_EQ(split, u"before"_s + expected);
            ASSERT_EQ(marks.tableStart, line.contains(u"<p>"_s));
            ASSERT_EQ(marks.tableEnd, line.contains(u"</tbody></table>"_s));
            ASSERT_EQ(marks.cellHead, line.contains(u"<th>"_s));
            ASSERT_EQ(marks.bodyRow, line.contains(u"<tbody><tr>"_s));
        }
    }
}

// The usual cell line is cut a quicker way than the marker cut's: both must agree, the letter
// case of the markers, a missing end and an end before the start included.
TEST(CutOddsCell, CutsAsTheMarkerCutDoes)
{
    const QStringList pieces = {u"2"_s,     u"</th><td>"_s, u"</TH><TD>"_s, u"</td>"_s,
                                u"</Td>"_s, u"</t"_s,       u"d>"_s,        u"395.7"_s,
                                u"n/a"_s,   u"－"_s,        u"<"_s,         u"<td class=\"\"x\"\">"_s,
                                u"</tr>"_s};
    for (const QString& line : linesOf(pieces, 2000, 6)) {
        SCOPED_TRACE(line.toStdString());
        GridModel grid(u"VSFlexGrid13"_s, 2, 2);
        grid.setTextMatrix(1, 1, u"kept"_s);
        QString expected = u"kept"_s;
        QString cut = line;
        attempt([&] { expected = Moji_get(cut, u"</th><td>"_s, u"</td>"_s); });
        cutOddsCell(grid, 1, 1, line);
        ASSERT_EQ(grid.textMatrix(1, 1), expected == u"－"_s ? u"***"_s : expected);
    }
}

TEST(HorsesShown, TheLargestNumberBeforeTheFirstHeadEndOfALine)
{
    const struct {
        const char16_t* text;
        int horses;
    } rows[] = {
        {u"2</th><td>1\r\n16</th>\r\n9</th>", 16},
        {u" 12 </th>\n+13</th>", 13},                             // blanks and a sign are read
        {u"-14</th>\n0</th>\nx</th>\n</th>16</th>\n3\n</th>", 0}, // no horse on any line
        {u"3</th>15</th>", 3},                                    // the first head end only
        {u"", 0},
    };
    for (const auto& r : rows)
        EXPECT_EQ(horsesShown(QString::fromUtf16(r.text)), r.horses) << QString::fromUtf16(r.text).toStdString();
}

class OddsScrapers : public test::RaceFixture {
protected:
    void SetUp() override
    {
        RaceFixture::SetUp();
        setRace(u"大井"_s, 10);
        form.race.row = kRow;
    }

    QString url(const QString& page) const { return test::kSite + u"/odds/"_s + kRaceCode + page; }
    QStringList grid(Grid g, int rows)
    {
        QStringList cells;
        for (int r = 0; r < rows; ++r)
            for (int c = 0; c < std::min(9, form.grid(g).cols()); ++c)
                cells << form.grid(g).textMatrix(r, c);
        return cells;
    }
    void fillWithJunk(Grid g)
    {
        GridModel& model = form.grid(g);
        for (int r = 0; r < model.rows(); ++r)
            for (int c = 0; c < std::min(9, model.cols()); ++c)
                model.setTextMatrix(r, c, u"x"_s);
    }
    // A body whose page cache text is exactly `bytes` long.
    QByteArray pageOfCacheSize(qint64 bytes)
    {
        const auto page = [](qsizetype pad) { return "<html><body><p>" + QByteArray(pad, 'x') + "</p></body></html>"; };
        site.setPage(url(u"probe"_s), page(0), kOddsPageContentType);
        EXPECT_TRUE(fetcher.Navigate2(url(u"probe"_s)).ok());
        return page(bytes - QFileInfo(context.appFile(u"tmp.txt"_s)).size());
    }
    void serve(const QByteArray& html) { site.setPage(url(u"01.do"_s), html, kOddsPageContentType); }
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
        fillWithJunk(Grid::VSFlexGrid3);
        form.setText(Control::Text9, u"08:00"_s);
        form.race.runnerCount = 9;
    }
    void expectOnlyHeaders()
    {
        EXPECT_EQ(row(0), (QStringList{QString(), u"単勝"_s, u"複勝"_s, u"複勝"_s}));
        for (int r = 1; r <= 16; ++r)
            EXPECT_EQ(row(r), QStringList(4)) << "row " << r;
    }
    // The page cache as the fetch leaves it: one quoted record, with the site's navigation above
    // the tables to take it past the size of an error page.
    void cache(const QStringList& lines)
    {
        const QString navigation = u"<div>"_s + QString(1800, u'n') + u"</div>"_s;
        test::writeCp932(QDir(app.path()).filePath(u"tmp.txt"_s),
                         u"\""_s + navigation + u"\r\n"_s + lines.join(u"\r\n"_s) + u"\"\r\n"_s);
    }
    // The work file a table was copied into, and what it should hold, kept under tests/data.
    QByteArray workFile() const { return test::readBytes(QDir(app.path()).filePath(u"tmp2.txt"_s)); }
    static QByteArray expectedWork(const char* name)
    {
        return test::readBytes(QString::fromUtf8(KAZEYOMI_SAMPLES_DIR "/../tests/data/") + QString::fromLatin1(name));
    }
    QString cell(Grid g, int row, int col) { return form.grid(g).textMatrix(row, col); }

    // One trio table of `rows` rows as the page cache shows it; `slots` gives a row's slots.
    static QStringList trioTable(int b, int rows, const std::function<QString(int)>& slots)
    {
        QStringList lines{u"<p>%1番を含む組番</p>"_s.arg(b), u"<table class=\"\"odds\"\">"_s, u"<tbody><tr> "_s};
        for (int k = 1; k <= rows; ++k) {
            if (k > 1)
                lines << u"<tr>"_s;
            lines << slots(k) << u"</tr>"_s;
        }
        return lines << u"</tbody></table>"_s;
    }
    // Every cell names the last horse of the race, so that the tables show its field.
    QString slots(const QStringList& cells) const
    {
        QString line;
        for (const QString& c : cells)
            line += u"<th>%1</th><td>"_s.arg(form.race.runnerCount) + c + u"</td>"_s;
        for (qsizetype i = cells.size(); i < 8; ++i)
            line += u"<th></th><td class=\"\"odds-none\"\"></td>"_s;
        return line;
    }
};

TEST_F(OddsScrapers, CurrentOddsFillOneRowPerHorseWithThePageTime)
{
    // Another program replaces tmp.txt right after the fetch wrote it: the scraper still reads
    // the page its fetch brought.
    const QByteArray foreign = "\"" + QByteArray(2000, 'x') + "\"\r\n";
    site.onGet = [&](const QString&) {
        QMetaObject::invokeMethod(
            qApp, [&] { test::writeBytes(context.appFile(u"tmp.txt"_s), foreign); }, Qt::QueuedConnection);
    };
    for (const int size : {5, 12, 16}) {
        SCOPED_TRACE(size);
        fillWithJunk();
        const WinPlacePage page = field(size);
        serve(page);

        EXPECT_EQ(TanFuku_get(context, kRaceCode), ScrapeResult::Parsed);
        EXPECT_EQ(test::readBytes(context.appFile(u"tmp.txt"_s)), foreign);
        EXPECT_EQ(form.text(Control::Text9), u"09:58"_s);
        EXPECT_EQ(form.race.runnerCount, size);
        for (int r = 1; r <= 16; ++r)
            EXPECT_EQ(row(r), r <= size ? expected(page.runners[r - 1]) : QStringList(4)) << "row " << r;
        EXPECT_EQ(test::readBytes(context.appFile(u"単勝・複勝.txt"_s)),
                  preparePage(winPlacePage(page), kOddsPageContentType, MarkupStyle::Modern)->bytes);
    }
    EXPECT_EQ(site.requested, QStringList(3, url(u"01.do"_s)));
}

TEST_F(OddsScrapers, FinalOddsAreStampedWithTheClockTime)
{
    WinPlacePage page = field(5);
    page.kind = WinPlacePage::Kind::Final;
    serve(page);
    for (const auto& [now, stamp] : {std::pair{QTime(14, 30), "14:30"}, {QTime(9, 5), "09:05"}}) { // zero-padded
        SCOPED_TRACE(stamp);
        clock.set(QDateTime(QDate(2025, 12, 5), now));
        EXPECT_EQ(TanFuku_get(context, kRaceCode), ScrapeResult::Parsed);
        EXPECT_EQ(form.text(Control::Text9), QString::fromLatin1(stamp));
        EXPECT_EQ(row(5), expected(page.runners[4]));
    }
}

// Horses out or without place odds get stars; only a "color33" span around the win odds is read;
// a horse without upper place odds ends the table.
TEST_F(OddsScrapers, HorsesOutHighlightedOrWithoutOdds)
{
    const struct {
        const char* name;
        std::function<void(WinPlacePage&)> change;
        int runnerCount;
        std::map<int, QString> rows; // the rows checked
        QString readAs = u"大井"_s;  // the venue of the race being fetched
    } cases[] = {
        {"scratched, excluded, no place odds",
         [](WinPlacePage& p) {
             p.runners[1].state = WinPlaceRunner::State::Scratched;
             p.runners[3].state = WinPlaceRunner::State::Excluded;
             p.runners[4].placeShown = false;
         },
         6,
         {{2, u"2 *** *** ***"_s}, {4, u"4 *** *** ***"_s}, {5, u"5 7.9 *** ***"_s}, {6, u"6 102.5 15.2 27.6"_s}}},
        {"favourite", [](WinPlacePage& p) { p.runners[1].highlight = u"color33"_s; }, 6, {{2, u"2 12.6 2.8 4.5"_s}}},
        {"another colour", [](WinPlacePage& p) { p.runners[1].highlight = u"color12"_s; }, 6, {{2, u"2 - 2.8 4.5"_s}}},
        {"no upper place odds",
         [](WinPlacePage& p) { p.runners[2].placeHigh.clear(); },
         2,
         {{2, u"2 12.6 2.8 4.5"_s}, {3, u"- 1.8 1.1 -"_s}, {4, u"- - - -"_s}}},
        // A meeting outside Southern Kanto is read one line further; read as a home meeting, the
        // row loop starts one line early and the cuts slide.
        {"another region's meeting",
         [](WinPlacePage& p) { p.venue = u"門別"_s; },
         6,
         {{1, u"1 3.4 1.3 1.8"_s}},
         u"門別"_s},
        {"another region's meeting read as a home one",
         [](WinPlacePage& p) { p.venue = u"門別"_s; },
         2, // the slid cuts end the table early
         {{1, u"1 - - 3.4"_s}}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        WinPlacePage page = field(6);
        c.change(page);
        serve(page);
        setRace(c.readAs, 10);
        EXPECT_EQ(TanFuku_get(context, kRaceCode), ScrapeResult::Parsed);
        EXPECT_EQ(form.race.runnerCount, c.runnerCount);
        for (const auto& [r, cells] : c.rows)
            EXPECT_EQ(row(r), cellsOf(cells)) << "row " << r;
    }
}

// A cancelled race marks the fetch cycle's schedule row (not the race number's) and has no odds.
// A page whose layout changed is named as the likely cause. The win/place page without its
// markers has no odds, and a failed fetch ends it the same way (the race then stops); the pair
// pages without their heading show no table the scraper knows: read, but no odds, and the race
// goes on.
TEST_F(OddsScrapers, AChangedLayoutIsNamed)
{
    const QByteArray winPlace = winPlacePage(field(5));
    const QByteArray exacta = exactaPage(field(5)).html;
    const QByteArray pairs = quinellaWidePage(field(5)).html;
    const QString changed = u"the site's %1: its layout may have changed"_s;
    WinPlacePage cancelled = field(0);
    cancelled.kind = WinPlacePage::Kind::Cancelled;
    form.race.row = 7;
    const struct {
        const char* name;
        OddsScrape (*scrape)(Context&, const QString&);
        QString page;
        QByteArray html;
        QString problem;
        bool cancelled = false;
    } rows[] = {
        {"win/place: no marker words", TanFuku_get, u"01.do"_s, QByteArray(winPlace).replace("現在", "時点"),
         changed.arg(u"単勝・複勝 page shows neither 現在, 最終オッズ nor 取り止め"_s)},
        {"win/place: no place header", TanFuku_get, u"01.do"_s,
         QByteArray(winPlace).replace("<th>複勝</th>", "<th>複勝オッズ</th>"),
         changed.arg(u"単勝・複勝 page has no 複勝 column"_s)},
        {"win/place: failed fetch", TanFuku_get, u"01.do"_s, QByteArray(), QString()},
        {"win/place: race cancelled", TanFuku_get, u"01.do"_s, winPlacePage(cancelled), QString(), true},
        // The tab holds the first ">馬単<": without the table's heading there is no second.
        {"exacta", Umatan_get, u"03.do"_s, QByteArray(exacta).replace("odds-title\">馬単", "odds-title\">馬単式"),
         changed.arg(u"馬単 page has no heading"_s)},
        {"quinella", Umafuku_get, u"04.do"_s, QByteArray(pairs).replace(">普通馬複<", ">馬複<"),
         changed.arg(u"普通馬複 page has no heading"_s)},
        {"wide", Wide_get, u"04.do"_s, QByteArray(pairs).replace(">ワイド<", ">ワイド式<"),
         changed.arg(u"ワイド page has no heading"_s)},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.name);
        const bool winPlacePage = r.page == u"01.do"_s;
        fillWithJunk();
        form.race.runnerCount = winPlacePage ? 9 : 5;
        site.pages.clear();
        if (!r.html.isEmpty())
            site.setPage(url(r.page), r.html, kOddsPageContentType);
        const OddsScrape scraped = r.scrape(context, kRaceCode);
        EXPECT_EQ(scraped, winPlacePage ? ScrapeResult::NoData : ScrapeResult::Parsed);
        EXPECT_EQ(scraped.problem, r.problem);
        EXPECT_EQ(scraped.fetch.ok(), !r.html.isEmpty());
        if (winPlacePage) {
            EXPECT_EQ(form.text(Control::Text9), r.html.isEmpty()                         ? u"08:00"_s
                                                 : r.html.contains("時点") || r.cancelled ? QString()
                                                                                          : u"09:58"_s);
            EXPECT_EQ(form.race.runnerCount, 9);
            const GridModel& schedule = form.grid(Grid::VSFlexGrid8);
            EXPECT_EQ(schedule.textMatrix(7, ScheduleColumn::Mark6),
                      r.cancelled ? ScheduleValue::kCalledOff : QString());
            EXPECT_EQ(schedule.textMatrix(7, ScheduleColumn::Payout),
                      r.cancelled ? ScheduleValue::kPayoutDone : QString());
            EXPECT_EQ(schedule.textMatrix(7, ScheduleColumn::State), r.cancelled ? FetchState::kComplete : QString());
            EXPECT_EQ(schedule.textMatrix(kRow, ScheduleColumn::Mark6), QString());
            expectOnlyHeaders();
            EXPECT_EQ(QFileInfo::exists(context.appFile(u"単勝・複勝.txt"_s)), !r.html.isEmpty());
            continue;
        }
        site.setPage(url(r.page), r.page == u"03.do"_s ? exacta : pairs, kOddsPageContentType);
        const OddsScrape whole = r.scrape(context, kRaceCode);
        EXPECT_EQ(whole, ScrapeResult::Parsed);
        EXPECT_EQ(whole.problem, QString());
    }
}

TEST_F(OddsScrapers, ThePageLimitIs1800BytesOfTheCacheFile)
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

TEST_F(OddsScrapers, CutsTheTimeAsTheSiteWritesIt)
{
    for (const QStringList& r : test::dataRows(u"win_place_times.tsv"_s)) {
        SCOPED_TRACE(r[0].toStdString());
        cache({r[1], u"<th>複勝</th>"_s});
        EXPECT_EQ(cutWinPlacePage(context), ScrapeResult::Parsed);
        EXPECT_EQ(form.text(Control::Text9), r[2]);
    }
}

TEST_F(OddsScrapers, CutsOddsCellsByTheirFixedMarkers)
{
    for (const QStringList& r : test::dataRows(u"win_place_cells.tsv"_s)) {
        SCOPED_TRACE(r[0].toStdString());
        odds().clear();
        cache({u"<p>09:58現在</p>"_s, u"<th>複勝</th>"_s,
               r.value(6, u"</tr>\r\n<tr>\r\n<td></td>\r\n</tr>\r\n<tr>\r\n<td>1</td>"_s), u"<td>name</td>"_s, r[1],
               u"</td>"_s, r[2], u"</td>"_s, u"</tr>"_s, u"</tbody>"_s, u"</table>"_s, u"</div>"_s});
        EXPECT_EQ(cutWinPlacePage(context), ScrapeResult::Parsed);
        EXPECT_EQ(row(1), QStringList{u"1"_s} + r.mid(3, 3));
        EXPECT_EQ(form.race.runnerCount, 1);
    }
}

// Every cell of the exacta, quinella and wide grids as the local site's pages show them, over
// grids left full of junk by the race before; the expected grids are kept in pair_grids.tsv.
TEST_F(OddsScrapers, EveryCellAsThePageShowsIt)
{
    QMap<QString, QStringList> expectedGrids; // "size grid": the cells, row by row
    for (const QStringList& r : test::dataRows(u"pair_grids.tsv"_s))
        expectedGrids[r[0] + u' ' + r[1]] += r.mid(3);
    for (int n : {3, 5, 6, 8, 9, 12, 15, 16}) {
        SCOPED_TRACE(n);
        WinPlacePage race = field(n);
        race.runners[1].state = WinPlaceRunner::State::Scratched; // horse 2
        if (n >= 9)
            race.runners[n - 1].state = WinPlaceRunner::State::Excluded; // the last horse
        // Blank cells: the first cell of a table, one in the middle and the last one of a row.
        const QList<QPair<int, int>> blank = {{1, 3}, {3, n}, {n - 1, n}, {n, 1}};
        const ExactaPage exacta = exactaPage(race, blank);
        const QuinellaWidePage pairs = quinellaWidePage(race, blank);
        site.setPage(url(u"03.do"_s), exacta.html, kOddsPageContentType);
        site.setPage(url(u"04.do"_s), pairs.html, kOddsPageContentType);
        for (Grid g : {Grid::VSFlexGrid5, Grid::VSFlexGrid6, Grid::VSFlexGrid10, Grid::VSFlexGrid12})
            fillWithJunk(g);
        form.race.runnerCount = qint16(n);

        EXPECT_EQ(Umafuku_get(context, kRaceCode), ScrapeResult::Parsed);
        EXPECT_EQ(Umatan_get(context, kRaceCode), ScrapeResult::Parsed);
        EXPECT_EQ(Wide_get(context, kRaceCode), ScrapeResult::Parsed);

        for (const auto& [g, rows] : {std::pair{Grid::VSFlexGrid6, 33},
                                      {Grid::VSFlexGrid5, 17},
                                      {Grid::VSFlexGrid10, 17},
                                      {Grid::VSFlexGrid12, 17}}) {
            EXPECT_EQ(grid(g, rows), expectedGrids.value(u"%1 %2"_s.arg(n).arg(form.grid(g).name())));
        }
        // Each page copy is the page as rendered; the wide page was fetched last.
        EXPECT_EQ(test::readBytes(context.appFile(u"ワイド.txt"_s)), test::readBytes(context.appFile(u"tmp.txt"_s)));
        EXPECT_TRUE(QFileInfo::exists(context.appFile(u"普通馬複.txt"_s)));
        EXPECT_TRUE(QFileInfo::exists(context.appFile(u"馬単.txt"_s)));
    }
}

// Every odds scraper: without a venue in Label1 nothing is fetched and its grids stay as they are.
TEST_F(OddsScrapers, AnEmptyLabel1LeavesTheGridsUntouchedAndFetchesNothing)
{
    const struct {
        const char* name;
        OddsScrape (*scrape)(Context&, const QString&);
        Grid grid;
    } rows[] = {
        {"exacta", Umatan_get, Grid::VSFlexGrid6},           {"quinella", Umafuku_get, Grid::VSFlexGrid5},
        {"wide lower", Wide_get, Grid::VSFlexGrid10},        {"wide upper", Wide_get, Grid::VSFlexGrid12},
        {"win and place", TanFuku_get, Grid::VSFlexGrid3},   {"trio", Sanfuku_get, Grid::VSFlexGrid11},
        {"trio staircase", Sanfuku_get, Grid::VSFlexGrid20}, {"trifecta", Santan_get, Grid::VSFlexGrid13},
    };
    form.setText(Control::Label1, QString());
    form.race.runnerCount = 5;
    for (const auto& r : rows) {
        SCOPED_TRACE(r.name);
        fillWithJunk(r.grid);
        const QStringList before = grid(r.grid, 17);
        EXPECT_EQ(r.scrape(context, kRaceCode), ScrapeResult::Empty);
        EXPECT_EQ(grid(r.grid, 17), before);
    }
    EXPECT_TRUE(site.requested.isEmpty());
}

// A page of 1799 bytes ends the race: no odds or result file is written, and the page copy
// holds the short page.
TEST_F(OddsScrapers, AShortPageOfEachStopsTheRace)
{
    const std::span<const ScraperStep> all = raceScrapers();
    const struct {
        const char* name;
        QString page;
        QString copy;
        size_t step;
    } rows[] = {
        {"quinella", u"04.do"_s, u"普通馬複.txt"_s, 1},
        {"exacta", u"03.do"_s, u"馬単.txt"_s, 2},
        {"wide", u"04.do"_s, u"ワイド.txt"_s, 3},
    };
    form.grid(Grid::VSFlexGrid8).setTextMatrix(kRow, ScheduleColumn::PageId, kRaceCode);
    const WinPlacePage race = field(8);
    constexpr qint64 size = 1799;
    for (const auto& r : rows) {
        SCOPED_TRACE(r.name);
        QDir(folders.oddsFolder()).removeRecursively();
        ASSERT_EQ(folders.createAll(), QStringList());
        const QByteArray shortPage = pageOfCacheSize(size);
        site.setPage(url(u"01.do"_s), winPlacePage(race), kOddsPageContentType);
        site.setPage(url(u"03.do"_s), exactaPage(race).html, kOddsPageContentType);
        site.setPage(url(u"04.do"_s), quinellaWidePage(race).html, kOddsPageContentType);
        site.setPage(url(r.page), shortPage, kOddsPageContentType);
        // The wide page is the quinella's: the wide step runs alone after the win/place step.
        const std::vector<ScraperStep> steps = {all[0], all[r.step], all[6]};
        RaceCycle cycle(context, steps);

        const RaceOutcome outcome = cycle.Race_get(u"大井"_s, 10, kRow);
        EXPECT_FALSE(outcome.stopped.isEmpty());
        EXPECT_EQ(QDir(folders.oddsFolder()).entryList(QDir::Files), QStringList());
        EXPECT_EQ(QFileInfo(context.appFile(r.copy)).size(), size);
        EXPECT_EQ(test::readBytes(context.appFile(r.copy)), test::readBytes(context.appFile(u"tmp.txt"_s)));
    }
}

TEST_F(OddsScrapers, TrioCellsAreReadElevenLinesARowAndRebuilt)
{
    form.race.runnerCount = 4;
    QStringList page{u"<div class=\"\"top\"\">"_s};
    page << trioTable(1, 2, [this](int k) {
        return k == 1 ? slots({u"12.3"_s, u"<span class=\"\"nk23_u-color33\"\">4.5</span>"_s}) : slots({u"－"_s});
    });
    page << trioTable(2, 2, [this](int k) { return k == 1 ? slots({u"1,234.5"_s, u"n/a"_s}) : slots({u""_s}); });
    page << u"</div>"_s;
    cache(page);
    EXPECT_EQ(cutTrioPage(context), ScrapeResult::Parsed);
    // Blocks 3 and 4 are not on the page (row 5): the reading stops at the end of the work file.
    const GridModel& trio = form.grid(Grid::VSFlexGrid11);
    const GridModel& staircase = form.grid(Grid::VSFlexGrid20);
    EXPECT_EQ((QStringList{trio.textMatrix(1, 1), trio.textMatrix(1, 2), trio.textMatrix(1, 3), trio.textMatrix(2, 1),
                           trio.textMatrix(3, 1), trio.textMatrix(3, 2), trio.textMatrix(5, 1),
                           staircase.textMatrix(1, 2), staircase.textMatrix(2, 1)}),
              cellsOf(u"12.3 4.5 - *** 1,234.5 N/A - 4.5 ***"_s));
    // Every line of a table goes into the work file, from its "<p>" to the line before its end.
    EXPECT_EQ(workFile(), expectedWork("trio_work.txt"));
}

// Pages that end inside a table, a table end that also opens the next table, a page without
// tables: the scrapers stop, and without a table there is nothing to write from.
TEST_F(OddsScrapers, BrokenLayoutsEndTheReadingWithoutHanging)
{
    form.race.runnerCount = 3;
    const QString row = slots({u"5.5"_s});
    const struct {
        const char* name;
        QStringList lines;
        ScrapeResult result;
    } pages[] = {
        {"ends inside a table", {u"<p>1</p>"_s, u"<tbody><tr> "_s, row, u"</tr>"_s}, ScrapeResult::Parsed},
        {"table end holds <p>",
         {u"<p>1</p>"_s, u"<tbody><tr> "_s, row, u"</tr>"_s, u"</tbody></table><p>2</p>"_s, u"<tbody><tr> "_s, row},
         ScrapeResult::Parsed},
        {"no <p>", {u"<table>"_s, u"<tbody><tr> "_s, row, u"</tbody></table>"_s}, ScrapeResult::NoData},
        {"nothing", {}, ScrapeResult::NoData},
    };
    for (const auto& p : pages) {
        SCOPED_TRACE(p.name);
        cache(p.lines);
        form.grid(Grid::VSFlexGrid11).clear();
        EXPECT_EQ(cutTrioPage(context), p.result);
        EXPECT_EQ(cutTrifectaPage(context), p.result);
        EXPECT_EQ(cell(Grid::VSFlexGrid11, 1, 1), p.result == ScrapeResult::Parsed ? u"5.5"_s : QString());
    }
}

// Only lines with a plain "<th>", "<tbody><tr>" or "<p>" reach the trifecta's work file; a
// line with the last two goes in twice. The cells follow the second line after "<tbody><tr>".
TEST_F(OddsScrapers, TrifectaWorkFileAndCells)
{
    form.race.runnerCount = 3;
    const QString row1 = u"<th>2</th><td>11.1</td><th>3</th><td>－</td>"_s;
    const QString row2 = u"<tr><th>2</th><td>33.3</td><th>3</th><td>44.4</td></tr>"_s;
    cache({u"<p class=\"\"time\"\">14:25</p>"_s, u"<p>1着 1番</p><table><tbody><tr>"_s, row1 + u"</tr>"_s, row2,
           u"</tbody></table>"_s, u"<p>1着 2番</p>"_s, u"<div>"_s, u"<tbody><tr>"_s, row1, u"</tr>"_s,
           u"</tbody></table>"_s});
    EXPECT_EQ(cutTrifectaPage(context), ScrapeResult::Parsed);
    EXPECT_EQ(workFile(), expectedWork("trifecta_work.txt"));
    // The doubled line is the line after "<tbody><tr>", so the first cell line is the empty one.
    EXPECT_EQ(
        (QStringList{cell(Grid::VSFlexGrid13, 1, 1), cell(Grid::VSFlexGrid13, 1, 2), cell(Grid::VSFlexGrid13, 1, 3)}),
        cellsOf(u"- 11.1 ***"_s));
}

TEST_F(OddsScrapers, LabelsFollowTheRunnerCount)
{
    const struct {
        int runners;
        int lastLabelled; // the last labelled row of VSFlexGrid13
    } cases[] = {{5, 36}, {8, 105}, {9, 144}, {10, 180}, {16, 480}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.runners);
        form.race.runnerCount = qint16(c.runners);
        EXPECT_EQ(Santan_get(context, u"X"_s), ScrapeResult::NoData); // the fake site has no page
        const GridModel& grid = form.grid(Grid::VSFlexGrid13);
        for (int r = 1; r < grid.rows(); ++r)
            ASSERT_EQ(grid.textMatrix(r, 0),
                      r <= c.lastLabelled ? QString::number((r - 1) % (c.runners - 1) + 1) : QString())
                << r;
        // The trio grid: N - 2 rows a horse.
        EXPECT_EQ(Sanfuku_get(context, u"X"_s), ScrapeResult::NoData);
        const GridModel& trio = form.grid(Grid::VSFlexGrid11);
        for (int r = 1; r < trio.rows(); ++r)
            ASSERT_EQ(trio.textMatrix(r, 0),
                      r <= c.runners * (c.runners - 2) ? QString::number((r - 1) / (c.runners - 2) + 1) : QString())
                << r;
    }
    const GridModel& trio = form.grid(Grid::VSFlexGrid11);
    form.race.runnerCount = 2;
    EXPECT_EQ(Sanfuku_get(context, u"X"_s), ScrapeResult::NoData);
    EXPECT_EQ(trio.textMatrix(1, 0), QString());
}

// A short trio page leaves neither its cells nor the staircases of the race before.
TEST_F(OddsScrapers, AShortTrioPageClearsBothTrioGrids)
{
    form.race.runnerCount = 5;
    form.grid(Grid::VSFlexGrid20).setTextMatrix(1, 1, u"12.3"_s);
    form.grid(Grid::VSFlexGrid11).setTextMatrix(1, 1, u"12.3"_s);
    site.setPage(test::kSite + u"/odds/X09.do"_s, "<html><body><p>busy</p></body></html>", kOddsPageContentType);
    EXPECT_EQ(Sanfuku_get(context, u"X"_s), ScrapeResult::NoData);
    EXPECT_EQ(cell(Grid::VSFlexGrid20, 1, 1), QString());
    EXPECT_EQ(cell(Grid::VSFlexGrid11, 1, 1), QString());
    EXPECT_EQ(cell(Grid::VSFlexGrid11, 1, 0), u"1"_s);
}

} // namespace
