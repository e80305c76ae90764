// The exacta, quinella and wide scrapers against the stand-in site's pages, cell by cell.
#include <algorithm>

#include <QDir>
#include <QFileInfo>

#include <gtest/gtest.h>

#include "demo/pair_pages.h"
#include "demo/pair_staircase.h"
#include "foundation/controls.h"
#include "foundation/grid_layouts.h"
#include "foundation/schedule_columns.h"
#include "odds/capture/sanfuku_scraper.h"
#include "odds/capture/santan_scraper.h"
#include "odds/capture/tanfuku_scraper.h"
#include "odds/capture/umafuku_scraper.h"
#include "odds/capture/umatan_scraper.h"
#include "odds/capture/wide_scraper.h"
#include "schedule/race_fetch.h"
#include "support/files.h"
#include "support/race_fixture.h"

using namespace kazeyomi;
using namespace Qt::StringLiterals;

namespace {

const QString kRaceCode = u"20251205200110"_s;
constexpr int kRow = 10;

QString shownAs(const PairCell& cell, bool high = false)
{
    switch (cell.state) {
    case PairCell::State::Odds:
        return high ? cell.high : cell.odds;
    case PairCell::State::Scratched:
        return u"***"_s;
    case PairCell::State::Blank:
        break;
    }
    return {};
}

class PairScrapers : public test::RaceFixture {
protected:
    void SetUp() override
    {
        RaceFixture::SetUp();
        setRace(u"大井"_s, 10);
        form.race.row = kRow;
    }

    QString url(const QString& page) const { return test::kSite + u"/odds/"_s + kRaceCode + page; }
    static WinPlacePage field(int runners)
    {
        WinPlacePage page;
        page.raceCode = kRaceCode;
        page.runners = sampleRunners(runners);
        return page;
    }
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
};

// What the exacta grid must hold: row r of the first block the pairs (c, r), of the second
// block (c + 8, r); grey cells and columns without a horse empty.
QStringList exactaExpected(const PairBoard& shown, int n)
{
    QStringList cells;
    for (int r = 0; r < 33; ++r) {
        const int block = r > n ? 1 : 0;
        const int second = r - block * n;
        const bool labelled = r >= 1 && second >= 1 && (block == 0 || n > 8) && r <= 2 * n;
        for (int c = 0; c < 9; ++c) {
            if (r == 0)
                cells << (c == 0 ? QString() : QString::number(c));
            else if (!labelled)
                cells << QString();
            else if (c == 0)
                cells << QString::number(second);
            else if (c + 8 * block > n || c + 8 * block == second)
                cells << QString();
            else
                cells << shownAs(shown.at(c + 8 * block, second));
        }
    }
    return cells;
}

// The quinella and wide grids: row r, column c the r-th slot of column c of the staircase.
QStringList staircaseExpected(const PairBoard& shown, int n, bool high)
{
    const QList<StaircaseRow> rows = staircase(n);
    QStringList cells;
    for (int r = 0; r < 17; ++r) {
        for (int c = 0; c < 9; ++c) {
            if (r == 0)
                cells << (c == 0 ? QString() : QString::number(c));
            else if (r >= n)
                cells << QString();
            else if (c == 0)
                cells << QString::number(r + 1);
            else if (r <= rows.size() && rows[r - 1][size_t(c - 1)].kind == StaircaseSlot::Kind::Pair)
                cells << shownAs(shown.at(rows[r - 1][size_t(c - 1)].first, rows[r - 1][size_t(c - 1)].second), high);
            else
                cells << QString();
        }
    }
    return cells;
}

TEST_F(PairScrapers, EveryCellAsThePageShowsIt)
{
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

        EXPECT_EQ(grid(Grid::VSFlexGrid6, 33), exactaExpected(exacta.shown, n));
        EXPECT_EQ(grid(Grid::VSFlexGrid5, 17), staircaseExpected(pairs.quinella, n, false));
        EXPECT_EQ(grid(Grid::VSFlexGrid10, 17), staircaseExpected(pairs.wide, n, false));
        EXPECT_EQ(grid(Grid::VSFlexGrid12, 17), staircaseExpected(pairs.wide, n, true));
        // Each page copy is the page as rendered; the wide page was fetched last.
        EXPECT_EQ(test::readBytes(context.appFile(u"ワイド.txt"_s)), test::readBytes(context.appFile(u"tmp.txt"_s)));
        EXPECT_TRUE(QFileInfo::exists(context.appFile(u"普通馬複.txt"_s)));
        EXPECT_TRUE(QFileInfo::exists(context.appFile(u"馬単.txt"_s)));
    }
}

// Every odds scraper: without a venue in Label1 nothing is fetched and its grids stay as they are.
TEST_F(PairScrapers, AnEmptyLabel1LeavesTheGridsUntouchedAndFetchesNothing)
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

// Without its heading the page shows no table this scraper knows: read, but no odds, and the
// site's layout named as the likely cause; the race goes on.
TEST_F(PairScrapers, APageWithoutItsHeadingGivesNoOddsAndSaysTheLayoutChanged)
{
    const ExactaPage exacta = exactaPage(field(5));
    const QuinellaWidePage pairs = quinellaWidePage(field(5));
    const struct {
        const char* name;
        QString page;
        QByteArray html;
        OddsScrape (*scrape)(Context&, const QString&);
    } rows[] = {
        // The tab holds the first ">馬単<": without the table's heading there is no second.
        {"馬単", u"03.do"_s, QByteArray(exacta.html).replace("odds-title\">馬単", "odds-title\">馬単式"), Umatan_get},
        {"普通馬複", u"04.do"_s, QByteArray(pairs.html).replace(">普通馬複<", ">馬複<"), Umafuku_get},
        {"ワイド", u"04.do"_s, QByteArray(pairs.html).replace(">ワイド<", ">ワイド式<"), Wide_get},
    };
    form.race.runnerCount = 5;
    for (const auto& r : rows) {
        SCOPED_TRACE(r.name);
        site.setPage(url(r.page), r.html, kOddsPageContentType);
        const OddsScrape scraped = r.scrape(context, kRaceCode);
        EXPECT_EQ(scraped, ScrapeResult::Parsed);
        EXPECT_EQ(scraped.problem,
                  u"the site's %1 page has no heading: its layout may have changed"_s.arg(QString::fromUtf8(r.name)));
        site.setPage(url(r.page), r.page == u"03.do"_s ? exacta.html : pairs.html, kOddsPageContentType);
        const OddsScrape whole = r.scrape(context, kRaceCode);
        EXPECT_EQ(whole, ScrapeResult::Parsed);
        EXPECT_EQ(whole.problem, QString());
    }
}

// A page of 1799 bytes ends the race: no odds or result file is written, and the page copy
// holds the short page.
TEST_F(PairScrapers, AShortPageOfEachStopsTheRace)
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
    for (const auto& r : rows) {
        {
            constexpr qint64 size = 1799;
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
            const QStringList written = QDir(folders.oddsFolder()).entryList(QDir::Files);
            EXPECT_FALSE(outcome.stopped.isEmpty());
            EXPECT_EQ(written, QStringList());
            EXPECT_EQ(QFileInfo(context.appFile(r.copy)).size(), size);
            EXPECT_EQ(test::readBytes(context.appFile(r.copy)), test::readBytes(context.appFile(u"tmp.txt"_s)));
        }
    }
}

} // namespace
