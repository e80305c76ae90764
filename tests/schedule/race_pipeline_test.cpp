// A race's pages asked for at once over HTTP: the files are those of fetching the pages one
// after another, a race that ends early gives up what it no longer needs, and a page that
// stalls fails at its own time limit while the others arrive.
#include <chrono>
#include <map>
#include <memory>

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include "demo/odds_pages.h"
#include "demo/pair_pages.h"
#include "demo/result_pages.h"
#include "demo/site_server.h"
#include "demo/triple_pages.h"
#include "fetch/http_page_source.h"
#include "fetch/joining_page_source.h"
#include "foundation/grid_layouts.h"
#include "foundation/schedule_columns.h"
#include "schedule/race_fetch.h"
#include "support/files.h"
#include "support/race_fixture.h"
#include "support/race_pages.h"

using namespace kazeyomi;
using namespace Qt::StringLiterals;

namespace {

constexpr int kRow = 1;
const QString kCode = u"20251205200101"_s;

// Every file a race's cycle leaves, odds files and page copies, by name.
std::map<QString, QByteArray> filesIn(const QStringList& dirs)
{
    std::map<QString, QByteArray> files;
    for (const QString& dir : dirs)
        for (const QString& name : QDir(dir).entryList(QDir::Files))
            if (name != u"tmp.txt"_s && name != u"tmp2.txt"_s && name != u"a.html"_s)
                files[name] = test::readBytes(QDir(dir).filePath(name));
    return files;
}

// The scrapers of the cycle without the addresses they ask for ahead: one page after another.
std::vector<ScraperStep> oneAfterAnother()
{
    std::vector<ScraperStep> steps(raceScrapers().begin(), raceScrapers().end());
    for (ScraperStep& step : steps)
        step.pages = nullptr;
    return steps;
}

class RacePipeline : public test::RaceFixture {
protected:
    SiteServer server;
    std::vector<ScraperStep> serial = oneAfterAnother();

    void SetUp() override
    {
        RaceFixture::SetUp();
        ASSERT_TRUE(server.listen());
        form.grid(Grid::VSFlexGrid8).setTextMatrix(kRow, ScheduleColumn::PageId, kCode);
        form.setText(Control::Text9, u"14:25"_s);
    }
    WinPlacePage race(int runners, WinPlacePage::Kind kind = WinPlacePage::Kind::Current) const
    {
        WinPlacePage page;
        page.raceCode = kCode;
        page.kind = kind;
        page.runners = sampleRunners(runners);
        return page;
    }
    void serve(const QString& page, const QByteArray& body, int delayMs = 0)
    {
        SiteResponse response;
        response.body = body;
        response.contentType = kOddsPageContentType;
        response.delayBeforeMs = delayMs;
        server.setPage(page.startsWith(u'/') ? page : u"/odds/"_s + kCode + page, response);
    }
    void serveRace(const WinPlacePage& odds, int delayMs = 0)
    {
        for (const auto& [path, body] : test::racePages(odds))
            serve(path, body, delayMs);
    }
    // One cycle in folders of its own, with its own fetcher over HTTP, which lives on with the run.
    struct Run {
        QTemporaryDir base;
        QTemporaryDir app;
        std::unique_ptr<PageSource> http;
        std::unique_ptr<PageFetcher> pages;
        RaceOutcome outcome;
    };
    void cycle(Run& run, std::span<const ScraperStep> steps, int timeoutMs = 5000)
    {
        // As the program asks: the page two scrapers share is one request.
        run.http = std::make_unique<JoiningPageSource>(std::make_unique<HttpPageSource>(timeoutMs));
        DayFolders days(run.base.path(), clock);
        ASSERT_EQ(days.createAll(), QStringList());
        run.pages = std::make_unique<PageFetcher>(form, *run.http, run.app.path(), MarkupStyle::Modern);
        Context ctx{form, clock, days, *run.pages, run.app.path(), server.baseUrl()};
        RaceCycle races(ctx, steps);
        run.outcome = races.Race_get(u"大井"_s, 1, kRow);
    }
    std::map<QString, QByteArray> files(const Run& run) const
    {
        return filesIn({DayFolders(run.base.path(), clock).oddsFolder(), run.app.path()});
    }
    // Lets the server answer whatever it still would, then lists what it never answered of the
    // requests from `from` on.
    QStringList unanswered(int waitMs, qsizetype from)
    {
        QElapsedTimer waited;
        waited.start();
        while (waited.elapsed() < waitMs)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        QStringList targets;
        for (const SiteServer::Request& request : server.requests().mid(from))
            if (!request.answered)
                targets << request.pathAndQuery.section(u'/', -1);
        return targets;
    }
};

TEST_F(RacePipeline, WritesTheBytesOfFetchingOnePageAfterAnother)
{
    for (int runners : {5, 12, 16}) {
        SCOPED_TRACE(runners);
        serveRace(race(runners));
        Run pipelined;
        Run oneByOne;
        cycle(pipelined, raceScrapers());
        cycle(oneByOne, serial);
        ASSERT_TRUE(pipelined.outcome.ok()) << pipelined.outcome.failures.join(u"; "_s).toStdString();
        EXPECT_EQ(pipelined.outcome.written.size(), 11);
        EXPECT_EQ(pipelined.outcome.written, oneByOne.outcome.written);
        const auto a = files(pipelined);
        ASSERT_EQ(a.size(), 18u); // eleven files and seven page copies
        EXPECT_TRUE(a == files(oneByOne));
    }
    // Six requests pipelined, the quinella and wide page once; seven one after another.
    EXPECT_EQ(server.hits(u"/odds/"_s + kCode + u"04.do"_s), 9);
    EXPECT_EQ(server.requests().size(), 39);
}

// A cancelled race or a short quinella page ends the race: the requests of the pages it no
// longer reads are given up before the site answers them.
TEST_F(RacePipeline, ARaceThatEndsEarlyGivesUpTheOtherRequests)
{
    const struct {
        const char* name;
        WinPlacePage::Kind kind;
        bool shortQuinella;
        QStringList answered;
        QString stopped;
    } rows[] = {
        {"cancelled", WinPlacePage::Kind::Cancelled, false, {u"01.do"_s}, u"the race is called off (取止)"_s},
        {"short quinella page",
         WinPlacePage::Kind::Current,
         true,
         {u"01.do"_s, u"04.do"_s},
         u"no quinella odds on the page (too short, or no odds shown yet)"_s},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.name);
        serveRace(race(8, r.kind), 400);
        serve(u"01.do"_s, winPlacePage(race(8, r.kind)));
        if (r.shortQuinella)
            serve(u"04.do"_s, "<html><body><p>busy</p></body></html>");
        const qsizetype before = server.requests().size();
        Run run;
        cycle(run, raceScrapers());
        EXPECT_EQ(run.outcome.stopped, r.stopped);
        // The slow pages are given up, not waited for: those that reached the site before the
        // race ended are never answered, and a request given up earlier never reaches it.
        const QStringList left = unanswered(700, before);
        const qsizetype asked = server.requests().size() - before;
        EXPECT_LE(asked, 6);
        EXPECT_EQ(asked - left.size(), r.answered.size()) << left.join(u' ').toStdString();
        for (const QString& page : r.answered)
            EXPECT_FALSE(left.contains(page)) << page.toStdString();
    }
}

TEST_F(RacePipeline, AStallingPageFailsAtItsTimeLimitWhileTheOthersArrive)
{
    serveRace(race(8));
    serve(u"09.do"_s, trioPage(race(8)).html, 5000);
    Run run;
    cycle(run, raceScrapers(), 1000);
    // Only the trio failed, after its own second; the pages after it had come meanwhile.
    ASSERT_EQ(run.outcome.failures.size(), 1);
    EXPECT_TRUE(run.outcome.failures[0].contains(u"no complete answer within 1 s"_s))
        << run.outcome.failures[0].toStdString();
    EXPECT_EQ(run.outcome.written.size(), 10);
    EXPECT_FALSE(run.outcome.written.contains(u".3fuku"_s));
}

// The same pages again are not rendered again, and the files get the same lines.
TEST_F(RacePipeline, ARepeatedPageGivesTheSameLinesWithoutRenderingAgain)
{
    serveRace(race(12));
    HttpPageSource http(5000);
    PageFetcher pages(form, http, app.path(), MarkupStyle::Modern);
    Context ctx{form, clock, folders, pages, app.path(), server.baseUrl()};
    RaceCycle races(ctx);
    ASSERT_TRUE(races.Race_get(u"大井"_s, 1, kRow).ok());
    // Six addresses, the quinella and wide page shared.
    EXPECT_EQ(pages.renderings(), 6);
    ASSERT_TRUE(races.Race_get(u"大井"_s, 1, kRow).ok());
    EXPECT_EQ(pages.renderings(), 6);
    for (const QString& ext : {u"tanA"_s, u"uren"_s, u"utan"_s, u"wideH"_s, u"3fuku"_s, u"3tan"_s, u"sei"_s}) {
        SCOPED_TRACE(ext.toStdString());
        const QList<QByteArray> lines = test::readBytes(oddsFile(u"大井01."_s + ext)).split('\n');
        ASSERT_EQ(lines.size(), ext == u"sei"_s ? 2 : 3);
        if (ext != u"sei"_s) {
            EXPECT_EQ(lines[0], lines[1]);
        }
    }
    // A page that changed is rendered anew.
    serve(u"01.do"_s, winPlacePage(race(12, WinPlacePage::Kind::Final)));
    ASSERT_TRUE(races.Race_get(u"大井"_s, 1, kRow).ok());
    EXPECT_EQ(pages.renderings(), 7);
}

} // namespace
