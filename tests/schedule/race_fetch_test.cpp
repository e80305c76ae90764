// One race's fetch against pages that fail, stall or never come, and a program that ends
// in the middle: the files other programs read are written from whole pages only.
#include "schedule/race_fetch.h"

#include <optional>

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTimer>

#include <gtest/gtest.h>

#include "demo/odds_pages.h"
#include "demo/pair_pages.h"
#include "demo/result_pages.h"
#include "demo/site_server.h"
#include "demo/triple_pages.h"
#include "fetch/http_page_source.h"
#include "foundation/grid_layouts.h"
#include "foundation/text_codec.h"
#include "schedule/race_get_fixture.h"
#include "schedule/schedule_grid.h"
#include "support/files.h"
#include "support/race_pages.h"

using namespace kazeyomi;
using namespace kazeyomi::test;
using namespace Qt::StringLiterals;

namespace {

TEST_F(RaceGet, AFailedResultFetchKeepsTheResultFilesAndStillWritesTheOdds)
{
    completeCycle();
    const auto before = files();
    FetchResult error;
    error.status = 500;
    error.error = resultUrl() + u": HTTP status 500"_s;
    site.setPage(oddsUrl(), oddsPage(u"14:27"_s), kOddsPageContentType);
    site.pages[resultUrl()] = error;

    const RaceOutcome outcome = races.Race_get(u"大井"_s, 1, kRow);
    EXPECT_EQ(outcome.written, (QStringList{u".tanA"_s, u".Fuk1"_s, u".Fuk2"_s, u".uren"_s, u".utan"_s, u".wideL"_s,
                                            u".wideH"_s, u".3fuku"_s, u".3tan"_s}));
    ASSERT_EQ(outcome.failures.size(), 1);
    EXPECT_TRUE(outcome.failures[0].contains(u"500"_s));
    EXPECT_EQ(readBytes(oddsFile(u"大井01.sei"_s)), before.at(u"大井01.sei"_s));
    EXPECT_EQ(readBytes(oddsFile(u"大井01.jyun"_s)), before.at(u"大井01.jyun"_s));
    EXPECT_TRUE(readBytes(oddsFile(u"大井01.tanA"_s)).startsWith(before.at(u"大井01.tanA"_s)));
    EXPECT_GT(readBytes(oddsFile(u"大井01.tanA"_s)).size(), before.at(u"大井01.tanA"_s).size());
}

// A trio or trifecta page that is short or does not come adds no line to its file: the grids
// still hold the last race's odds, and nothing of them may go into this race's file.
TEST_F(RaceGet, ATrioOrTrifectaPageWithoutOddsAddsNoLineToItsFile)
{
    completeCycle();
    const struct {
        const char* name;
        QString page;
        QString missing; // the file that must not be written
        QString written; // the other one, written as before
        bool notFound;   // else the page is short
    } rows[] = {
        {"short trio page", u"09.do"_s, u"3fuku"_s, u"3tan"_s, false},
        {"trio page not found", u"09.do"_s, u"3fuku"_s, u"3tan"_s, true},
        {"short trifecta page", u"08.do"_s, u"3tan"_s, u"3fuku"_s, false},
        {"trifecta page not found", u"08.do"_s, u"3tan"_s, u"3fuku"_s, true},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.name);
        for (const QString& name : QDir(folders.oddsFolder()).entryList({u"大井02.*"_s}))
            QFile::remove(oddsFile(name));
        serveFake(u"14:27"_s, resultPage(resultAfterRace(u"大井"_s, 2, 8)));
        const QString url = kSite + u"/odds/"_s + kCode + r.page;
        if (r.notFound)
            site.pages.erase(url);
        else
            site.setPage(url, "<html><body><p>busy</p></body></html>", kOddsPageContentType);
        const RaceOutcome outcome = races.Race_get(u"大井"_s, 2, kRow);
        EXPECT_FALSE(QFile::exists(oddsFile(u"大井02."_s + r.missing)));
        EXPECT_FALSE(outcome.written.contains(u"."_s + r.missing));
        EXPECT_EQ(outcome.written.size(), 10);
        EXPECT_EQ(readBytes(oddsFile(u"大井02."_s + r.written)).count("\r\n"), 1);
        EXPECT_EQ(readBytes(oddsFile(u"大井02.tanA"_s)).count("\r\n"), 1);
    }
}

// A page of another field than the win/place page's would put its odds under other pairs' and
// triples' labels; a work file that cannot be written leaves nothing to read. Either way the bet
// type gets no line, the failure says why, and the rest is written as with whole pages.
TEST_F(RaceGet, APageOfAnotherFieldOrNoWorkFileAddsNoLineAndSaysWhy)
{
    // Every page of a field of `runners`, but `page` of `pageRunners`.
    const auto serveField = [this](int runners, const QString& page, int pageRunners) {
        WinPlacePage field = oddsField(u"14:25"_s);
        field.runners = sampleRunners(runners);
        WinPlacePage odd = field;
        odd.runners = sampleRunners(pageRunners);
        const auto pages = test::racePages(field);
        const auto oddPages = test::racePages(odd);
        for (size_t i = 0; i < pages.size(); ++i) {
            const bool isOdd = !page.isEmpty() && pages[i].path.endsWith(page);
            site.setPage(kSite + pages[i].path, (isOdd ? oddPages : pages)[i].body, kOddsPageContentType);
        }
    };
    const auto freshCycle = [this] {
        for (const QString& name : QDir(folders.oddsFolder()).entryList(QDir::Files))
            QFile::remove(oddsFile(name));
        return races.Race_get(u"大井"_s, 1, kRow);
    };
    const QString shows = u"%1 odds: the %1 page shows %2 horses, the win/place page %3"_s;
    const struct {
        const char* name;
        QString page;
        QStringList bets; // in the order of the cycle
        QStringList files;
    } rows[] = {
        {"exacta", u"03.do"_s, {u"exacta"_s}, {u"utan"_s}},
        {"quinella and wide", u"04.do"_s, {u"quinella"_s, u"wide"_s}, {u"uren"_s, u"wideL"_s, u"wideH"_s}},
        {"trio", u"09.do"_s, {u"trio"_s}, {u"3fuku"_s}},
        {"trifecta", u"08.do"_s, {u"trifecta"_s}, {u"3tan"_s}},
    };
    for (const auto& [runners, pageRunners] : {std::pair{16, 15}, std::pair{15, 16}}) {
        serveField(runners, {}, runners);
        ASSERT_TRUE(freshCycle().ok());
        const auto whole = files();
        for (const auto& r : rows) {
            SCOPED_TRACE(u"%1: %2 horses in a race of %3"_s.arg(r.name).arg(pageRunners).arg(runners).toStdString());
            serveField(runners, r.page, pageRunners);
            const RaceOutcome outcome = freshCycle();
            QStringList failures;
            for (const QString& bet : r.bets)
                failures << shows.arg(bet).arg(pageRunners).arg(runners);
            EXPECT_EQ(outcome.failures, failures);
            EXPECT_EQ(outcome.written.size(), 11 - r.files.size());
            for (const QString& name : kFiles) {
                if (r.files.contains(name.section(u'.', 1)))
                    EXPECT_FALSE(QFile::exists(oddsFile(name))) << name.toStdString();
                else
                    EXPECT_EQ(readBytes(oddsFile(name)), whole.at(name)) << name.toStdString();
            }
        }
    }
    // No work file: every table read through it fails by the file's name; the win/place odds
    // and the result need none.
    serveField(8, {}, 8);
    ASSERT_TRUE(QFile::remove(context.appFile(u"tmp2.txt"_s)));
    ASSERT_TRUE(QDir(app.path()).mkdir(u"tmp2.txt"_s));
    const RaceOutcome outcome = freshCycle();
    EXPECT_EQ(outcome.written, (QStringList{u".sei"_s, u".jyun"_s, u".tanA"_s, u".Fuk1"_s, u".Fuk2"_s}));
    ASSERT_EQ(outcome.failures.size(), 5) << outcome.failures.join(u"; "_s).toStdString();
    for (const QString& failure : outcome.failures)
        EXPECT_TRUE(failure.contains(u"tmp2.txt"_s)) << failure.toStdString();
}

TEST_F(RaceGet, AResultPageWithoutAResultYetStillBlanksTheResultFiles)
{
    completeCycle();
    serveFake(u"14:27"_s, resultPage(resultBeforeRace(u"大井"_s, 1)));
    const RaceOutcome outcome = races.Race_get(u"大井"_s, 1, kRow);
    EXPECT_TRUE(outcome.ok());
    EXPECT_EQ(readBytes(oddsFile(u"大井01.sei"_s)), QByteArray(144, ' ') + "\r\n");
}

// The same race over HTTP, for pages that stall in the middle of their body.
class RaceGetOverHttp : public RaceGet {
protected:
    SiteServer server;

    void SetUp() override
    {
        RaceGet::SetUp();
        ASSERT_TRUE(server.listen());
    }
    void TearDown() override { runMainLoopOnce(); }
    // QCoreApplication::exit() leaves every later event loop to return at once until the
    // main loop has run; run it once so that the next fetch waits as it should.
    static void runMainLoopOnce()
    {
        QTimer::singleShot(0, qApp, [] { QCoreApplication::exit(0); });
        QCoreApplication::exec();
    }
    void serve(const QString& path, const QByteArray& body, qint64 pauseAfter)
    {
        SiteResponse response;
        response.body = body;
        response.contentType = "text/html; charset=UTF-8";
        response.pauseAfterBytes = pauseAfter;
        response.pauseMs = pauseAfter >= 0 ? 4000 : 0;
        server.setPage(path, response);
    }
};

TEST_F(RaceGetOverHttp, AQuitWhileAPageStallsWritesNothing)
{
    const struct {
        const char* name;
        bool stallWinPlace; // else the result page stalls
        bool stop;          // the quit paths stop the fetcher; else only the event loops end
    } rows[] = {
        {"result page, quit", false, true},
        {"result page, event loops ended", false, false},
        {"win/place page, quit", true, true},
        {"win/place page, event loops ended", true, false},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.name);
        HttpPageSource http(5000);
        PageFetcher fetcher(form, http, app.path(), MarkupStyle::Modern);
        Context ctx{form, clock, folders, fetcher, app.path(), server.baseUrl()};
        RaceCycle cycle(ctx);
        // The pair pages stay as they are: the stall is in the first or the last page.
        for (const auto& [path, body] : test::racePages(oddsField(u"14:25"_s)))
            serve(path, body, -1);
        const RaceOutcome first = cycle.Race_get(u"大井"_s, 1, kRow);
        ASSERT_EQ(first.written.size(), 11) << first.failures.join(u"; "_s).toStdString();
        const auto before = files();

        const QByteArray odds = oddsPage(u"14:27"_s);
        const QByteArray result = resultPage(resultAfterRace(u"大井"_s, 1, 8));
        serve(u"/odds/"_s + kCode + u"01.do"_s, odds, r.stallWinPlace ? odds.size() * 2 / 3 : -1);
        // Cut in its finishing table, the result page would blank both result files.
        serve(resultPagePath(kCode), result, r.stallWinPlace ? -1 : result.size() / 3);
        const int requests = int(server.requests().size());
        // Every page of the race is asked for when it starts.
        const int expectedRequests = requests + 7;
        QTimer::singleShot(300, qApp, [&] {
            if (r.stop)
                fetcher.stop();
            QCoreApplication::exit(0);
        });
        const RaceOutcome outcome = cycle.Race_get(u"大井"_s, 1, kRow);
        EXPECT_TRUE(outcome.written.isEmpty()) << outcome.written.join(u' ').toStdString();
        EXPECT_EQ(outcome.stopped, u"the program is ending"_s);
        EXPECT_EQ(files(), before);
        EXPECT_EQ(int(server.requests().size()), expectedRequests);
        if (r.stop) {
            // Every later fetch fails at once, without a request.
            EXPECT_TRUE(cycle.Race_get(u"大井"_s, 1, kRow).written.isEmpty());
            EXPECT_FALSE(fetcher.Navigate2(server.baseUrl() + u"/odds/x.do"_s).ok());
            EXPECT_EQ(int(server.requests().size()), expectedRequests);
        }
        runMainLoopOnce();
    }
}

} // namespace

TEST_F(RaceGet, AStepThatThrowsIsLoggedAndTheNextStepStillRuns)
{
    QStringList ran;
    std::vector<bool> busyInside;
    const std::vector<ScraperStep> scrapers = {
        {0,
         u"first"_s,
         [&](Context&, const QString& id) -> StepResult {
             ran << u"first "_s + id;
             busyInside.push_back(races.busy());
             throw std::runtime_error("VSFlexGrid3: cell out of range");
         },
         true,
         {}},
        {8,
         u"second"_s,
         [&](Context&, const QString&) {
             ran << u"second"_s;
             return StepResult{};
         },
         false,
         {}},
    };
    const std::vector<WriterStep> writers = {
        {0, u".a"_s, [&](const Context&) -> Outcome { throw std::runtime_error("disk gone"); }, {}},
        {0, u".b"_s,
         [&](const Context&) {
             ran << u".b"_s;
             return Outcome();
         },
         u"second"_s},
        {0, u".c"_s, [&](const Context&) { return Outcome(); }, u"first"_s}, // its page never arrived
    };
    RaceCycle cycle(context, scrapers, writers);
    form.grid(Grid::VSFlexGrid8).setTextMatrix(kRow, ScheduleColumn::PageId, kCode);

    const RaceOutcome outcome = cycle.Race_get(u"大井"_s, 1, kRow);
    EXPECT_EQ(ran, (QStringList{u"first "_s + kCode, u"second"_s, u".b"_s}));
    EXPECT_EQ(busyInside, std::vector<bool>{false}); // `races` is another cycle
    EXPECT_EQ(outcome.written, QStringList{u".b"_s});
    EXPECT_EQ(outcome.failures,
              (QStringList{u"first failed: VSFlexGrid3: cell out of range"_s, u".a failed: disk gone"_s}));
    EXPECT_TRUE(outcome.stopped.isEmpty());
    int logged = 0;
    for (const QString& line : form.fetchLog())
        logged += line.contains(u"大井 1R  first failed: VSFlexGrid3"_s) || line.contains(u"大井 1R  .a failed"_s);
    EXPECT_EQ(logged, 2) << form.fetchLog().join(u'\n').toStdString();
    EXPECT_FALSE(cycle.busy());
}

TEST_F(RaceGet, TheRaceIsMarkedBusyForTheWholeCycleAndNotAfterAThrow)
{
    std::vector<bool> seen;
    RaceCycle* self = nullptr;
    const std::vector<ScraperStep> scrapers = {
        {0,
         u"win/place odds"_s,
         [&](Context&, const QString&) -> StepResult {
             seen.push_back(self->busy());
             throw std::logic_error("broken");
         },
         true,
         {}},
        {0,
         u"cancelled"_s,
         [&](Context& ctx, const QString&) {
             seen.push_back(self->busy() && ctx.form.grid(Grid::VSFlexGrid8).rowShownSelected());
             return StepResult{true, {}, true, {}};
         },
         true,
         {}},
    };
    const std::vector<WriterStep> writers = {{0,
                                              u".x"_s,
                                              [&](const Context&) {
                                                  seen.push_back(self->busy());
                                                  return Outcome();
                                              },
                                              {}}};
    RaceCycle cycle(context, scrapers, writers);
    self = &cycle;
    GridModel& schedule = form.grid(Grid::VSFlexGrid8);

    const RaceOutcome outcome = cycle.Race_get(u"大井"_s, 1, kRow);
    EXPECT_EQ(seen, (std::vector<bool>{true, true})); // the writer never ran: the race was cancelled
    EXPECT_TRUE(outcome.stopped.startsWith(u"no cancelled"_s)) << outcome.stopped.toStdString();
    EXPECT_FALSE(cycle.busy());
    // The row is shown as fetched no longer, though the cycle stopped early.
    EXPECT_FALSE(schedule.rowShownSelected());
    // The next race runs.
    seen.clear();
    (void)cycle.Race_get(u"大井"_s, 1, kRow);
    EXPECT_EQ(seen, (std::vector<bool>{true, true}));
}
