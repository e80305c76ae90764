// One race's fetch against pages that fail, stall or never come, steps that throw, and a program
// that ends in the middle: the files other programs read are written from whole pages only.
#include "schedule/race_fetch.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QTimer>

#include <gtest/gtest.h>

#include "fetch/http_page_source.h"
#include "foundation/grid_layouts.h"
#include "support/race_desk.h"

using namespace kazeyomi;
using namespace kazeyomi::test;
using namespace Qt::StringLiterals;

namespace {

// A page that fails or has nothing to read, a minute after a whole cycle: its files keep what
// they hold (the grids still hold the last race's odds, none of which may go into a file), the
// failure says why, and every other file gets its new line.
TEST_F(RaceGet, APageThatFailsOrHasNothingToReadLeavesItsFilesAsTheyWere)
{
    completeCycle();
    FetchResult error;
    error.status = 500;
    error.error = u"HTTP status 500"_s;
    const QByteArray busy = "<html><body><p>busy</p></body></html>";
    const struct {
        const char* name;
        QString url;
        std::optional<QByteArray> body; // none: the site answers `error`
        QStringList kept;
        int failures;
    } rows[] = {
        {"result page fails", resultUrl(), std::nullopt, {u"sei"_s, u"jyun"_s}, 1},
        {"trio page short", oddsUrl(u"09.do"_s), busy, {u"3fuku"_s}, 0},
        {"trio page fails", oddsUrl(u"09.do"_s), std::nullopt, {u"3fuku"_s}, 1},
        {"trifecta page short", oddsUrl(u"08.do"_s), busy, {u"3tan"_s}, 0},
        {"trifecta page fails", oddsUrl(u"08.do"_s), std::nullopt, {u"3tan"_s}, 1},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.name);
        const auto before = files();
        serveFake(u"14:27"_s, resultPage(resultAfterRace(u"大井"_s, 1, 8)));
        if (r.body)
            site.setPage(r.url, *r.body, kOddsPageContentType);
        else
            site.pages[r.url] = error;
        const RaceOutcome outcome = races.Race_get(u"大井"_s, 1, kRow);
        EXPECT_EQ(outcome.written.size(), 11 - r.kept.size());
        ASSERT_EQ(outcome.failures.size(), r.failures) << outcome.failures.join(u"; "_s).toStdString();
        if (r.failures) {
            EXPECT_TRUE(outcome.failures[0].contains(u"500"_s));
        }
        for (const QString& name : kFiles) {
            const QByteArray now = readBytes(oddsFile(name));
            if (r.kept.contains(name.section(u'.', 1))) {
                EXPECT_EQ(now, before.at(name)) << name.toStdString();
            } else if (!name.endsWith(u"sei"_s) && !name.endsWith(u"jyun"_s)) {
                EXPECT_EQ(now.count("\r\n"), before.at(name).count("\r\n") + 1) << name.toStdString();
            }
        }
    }
    // A result page without a result yet still blanks the result files.
    serveFake(u"14:28"_s, resultPage(resultBeforeRace(u"大井"_s, 1)));
    EXPECT_TRUE(races.Race_get(u"大井"_s, 1, kRow).ok());
    EXPECT_EQ(readBytes(oddsFile(u"大井01.sei"_s)), QByteArray(144, ' ') + "\r\n");
}

// A page of another field than the win/place page's would put its odds under other pairs' and
// triples' labels; a work file that cannot be written leaves nothing to read. Either way the bet
// type gets no line, the failure says why, and the rest is written as with whole pages.
TEST_F(RaceGet, APageOfAnotherFieldOrNoWorkFileAddsNoLineAndSaysWhy)
{
    // Every page of a field of `runners`, but `page` of `pageRunners`.
    const auto serveField = [this](int runners, const QString& page, int pageRunners) {
        const auto pages = racePages(oddsField(u"14:25"_s, runners));
        const auto oddPages = racePages(oddsField(u"14:25"_s, pageRunners));
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

// A step that throws is logged with the race and the step, and the cycle goes on; the race is
// busy for the whole cycle and its row shown as fetched, and neither after it, however it ended.
TEST_F(RaceGet, AStepThatThrowsIsLoggedAndTheCycleGoesOn)
{
    for (const bool secondEndsRace : {false, true}) {
        SCOPED_TRACE(secondEndsRace ? "the second step ends the race" : "the cycle goes on");
        QStringList ran;
        RaceCycle* cycle = nullptr;
        const auto busy = [&](Context& ctx) {
            return cycle->busy() && ctx.form.grid(Grid::VSFlexGrid8).rowShownSelected() && !races.busy();
        };
        const std::vector<ScraperStep> scrapers = {
            {0,
             u"first"_s,
             [&](Context& ctx, const QString& id) -> StepResult {
                 ran << u"first "_s + id + (busy(ctx) ? u" busy"_s : u""_s);
                 throw std::runtime_error("VSFlexGrid3: cell out of range");
             },
             true,
             {}},
            {8,
             u"second"_s,
             [&](Context& ctx, const QString&) {
                 ran << u"second"_s + (busy(ctx) ? u" busy"_s : u""_s);
                 return StepResult{true, {}, secondEndsRace, {}};
             },
             true,
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
        RaceCycle steps(context, scrapers, writers);
        cycle = &steps;
        const qsizetype logged = form.fetchLog().size();
        const RaceOutcome outcome = steps.Race_get(u"大井"_s, 1, kRow);
        QStringList failures{u"first failed: VSFlexGrid3: cell out of range"_s};
        if (secondEndsRace) {
            EXPECT_EQ(ran, (QStringList{u"first "_s + kCode + u" busy"_s, u"second busy"_s}));
            EXPECT_TRUE(outcome.written.isEmpty());
            EXPECT_TRUE(outcome.stopped.startsWith(u"no second"_s)) << outcome.stopped.toStdString();
        } else {
            EXPECT_EQ(ran, (QStringList{u"first "_s + kCode + u" busy"_s, u"second busy"_s, u".b"_s}));
            EXPECT_EQ(outcome.written, QStringList{u".b"_s});
            EXPECT_TRUE(outcome.stopped.isEmpty());
            failures << u".a failed: disk gone"_s;
        }
        EXPECT_EQ(outcome.failures, failures);
        for (const QString& failure : failures)
            EXPECT_EQ(form.fetchLog().mid(logged).filter(u"大井 1R  "_s + failure).size(), 1) << failure.toStdString();
        EXPECT_FALSE(steps.busy());
        EXPECT_FALSE(form.grid(Grid::VSFlexGrid8).rowShownSelected());
    }
}

// The same race over HTTP, for pages that stall in the middle of their body.
TEST_F(RaceGet, AQuitWhileAPageStallsWritesNothing)
{
    SiteServer server;
    ASSERT_TRUE(server.listen());
    // QCoreApplication::exit() leaves every later event loop to return at once until the
    // main loop has run; run it once so that the next fetch waits as it should.
    const auto runMainLoopOnce = [] {
        QTimer::singleShot(0, qApp, [] { QCoreApplication::exit(0); });
        QCoreApplication::exec();
    };
    const auto serve = [&](const QString& path, const QByteArray& body, qint64 pauseAfter) {
        SiteResponse response;
        response.body = body;
        response.contentType = kOddsPageContentType;
        response.pauseAfterBytes = pauseAfter;
        response.pauseMs = pauseAfter >= 0 ? 4000 : 0;
        server.setPage(path, response);
    };
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
        for (const auto& [path, body] : racePages(oddsField(u"14:25"_s)))
            serve(path, body, -1);
        const RaceOutcome first = cycle.Race_get(u"大井"_s, 1, kRow);
        ASSERT_EQ(first.written.size(), 11) << first.failures.join(u"; "_s).toStdString();
        const auto before = files();

        const QByteArray odds = oddsPage(u"14:27"_s);
        const QByteArray result = resultPage(resultAfterRace(u"大井"_s, 1, 8));
        serve(u"/odds/"_s + kCode + u"01.do"_s, odds, r.stallWinPlace ? odds.size() * 2 / 3 : -1);
        // Cut in its finishing table, the result page would blank both result files.
        serve(resultPagePath(kCode), result, r.stallWinPlace ? -1 : result.size() / 3);
        // Every page of the race is asked for when it starts.
        const qsizetype expectedRequests = server.requests().size() + 7;
        QTimer::singleShot(300, qApp, [&] {
            if (r.stop)
                fetcher.stop();
            QCoreApplication::exit(0);
        });
        const RaceOutcome outcome = cycle.Race_get(u"大井"_s, 1, kRow);
        EXPECT_TRUE(outcome.written.isEmpty()) << outcome.written.join(u' ').toStdString();
        EXPECT_EQ(outcome.stopped, u"the program is ending"_s);
        EXPECT_EQ(files(), before);
        EXPECT_EQ(server.requests().size(), expectedRequests);
        if (r.stop) {
            // Every later fetch fails at once, without a request.
            EXPECT_TRUE(cycle.Race_get(u"大井"_s, 1, kRow).written.isEmpty());
            EXPECT_FALSE(fetcher.Navigate2(server.baseUrl() + u"/odds/x.do"_s).ok());
            EXPECT_EQ(server.requests().size(), expectedRequests);
        }
        runMainLoopOnce();
    }
}

} // namespace
