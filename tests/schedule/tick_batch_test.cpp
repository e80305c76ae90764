// The races due in one tick asked for at once over HTTP: the files are those of fetching the
// races one after another, and a race that ends early gives up its own pages only.
#include <map>

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
#include "foundation/card_files.h"
#include "foundation/context.h"
#include "foundation/day_folders.h"
#include "foundation/form_state.h"
#include "foundation/grid_layouts.h"
#include "schedule/poll_cycle.h"
#include "schedule/race_fetch.h"
#include "schedule/schedule_grid.h"
#include "support/fake_clock.h"
#include "support/files.h"
#include "support/race_pages.h"

using namespace kazeyomi;
using namespace Qt::StringLiterals;

namespace {

struct DueRace {
    RaceCard card;
    int runners;
    bool cancelled;
};

// Four races due at once at 13:30 (every post more than an hour away); the second is cancelled
// and the rest of its pages are slow to come.
const std::vector<DueRace> kDue = {
    {{u"大井"_s, 1, u"15:00"_s, {}, u"20251205200101"_s}, 5, false},
    {{u"大井"_s, 2, u"15:30"_s, {}, u"20251205200102"_s}, 8, true},
    {{u"川崎"_s, 1, u"15:10"_s, {}, u"20251205210101"_s}, 16, false},
    {{u"川崎"_s, 2, u"15:40"_s, {}, u"20251205210102"_s}, 12, false},
};
constexpr int kSlowMs = 1000;

// One program's worth of state, with its own folders and its own connections to the site.
struct Desk {
    QTemporaryDir base;
    QTemporaryDir app;
    FormState form;
    DayFolders folders;
    HttpPageSource http{5000};
    PageFetcher pages;
    Context ctx;
    RaceCycle races;
    PollCycle poll;

    Desk(const Clock& clock, const QString& site, std::span<const ScraperStep> steps)
        : folders(base.path(), clock),
          pages(form, http, app.path(), MarkupStyle::Modern), ctx{form, clock, folders, pages, app.path(), site},
          races(ctx, steps), poll(form, clock, races)
    {
        EXPECT_EQ(folders.createAll(), QStringList());
        std::vector<RaceCard> cards;
        for (const DueRace& due : kDue)
            cards.push_back(due.card);
        fillScheduleGrid(form.grid(Grid::VSFlexGrid8), cards);
        form.setVenueBox(0, {true, u"大井"_s, true});
        form.setVenueBox(1, {true, u"川崎"_s, true});
    }
    // Every file the races leave, odds files and page copies, by name.
    std::map<QString, QByteArray> files() const
    {
        std::map<QString, QByteArray> all;
        for (const QString& dir : {folders.oddsFolder(), app.path()})
            for (const QString& name : QDir(dir).entryList(QDir::Files))
                if (name != u"tmp.txt"_s && name != u"tmp2.txt"_s && name != u"a.html"_s)
                    all[name] = test::readBytes(QDir(dir).filePath(name));
        return all;
    }
};

class TickBatch : public ::testing::Test {
protected:
    test::FakeClock clock{QDateTime(QDate(2025, 12, 5), QTime(13, 30))};
    SiteServer server;

    void SetUp() override
    {
        ASSERT_TRUE(server.listen());
        for (const DueRace& due : kDue) {
            WinPlacePage odds;
            odds.venue = due.card.venue;
            odds.race = due.card.race;
            odds.raceCode = due.card.pageId;
            odds.kind = due.cancelled ? WinPlacePage::Kind::Cancelled : WinPlacePage::Kind::Current;
            odds.runners = sampleRunners(due.runners);
            for (const auto& [path, body] : test::racePages(odds)) {
                SiteResponse response;
                response.body = body;
                response.contentType = kOddsPageContentType;
                // The first race's last page comes late: meanwhile the other races' pages go out.
                const bool result = path == resultPagePath(due.card.pageId);
                response.delayBeforeMs = path.endsWith(u"01.do"_s)         ? 0
                                         : result && &due == &kDue.front() ? 200
                                         : due.cancelled                   ? kSlowMs
                                                                           : 0;
                server.setPage(path, response);
            }
        }
    }
    // The requests for one race's pages, and how many of them the site answered.
    std::pair<int, int> requestsOf(const DueRace& due, qsizetype upTo) const
    {
        int asked = 0;
        int answered = 0;
        for (const SiteServer::Request& request : server.requests().mid(0, upTo))
            if (request.pathAndQuery.contains(due.card.pageId)) {
                ++asked;
                answered += request.answered ? 1 : 0;
            }
        return {asked, answered};
    }
};

TEST_F(TickBatch, FourDueRacesWriteTheBytesOfFetchingThemOneAfterAnother)
{
    Desk ticked(clock, server.baseUrl(), raceScrapers());
    std::vector<RaceOutcome> outcomes;
    qsizetype requestsWhenFirstDone = -1;
    QObject::connect(&ticked.poll, &PollCycle::raceFetched, [&](const RaceOutcome& outcome) {
        if (outcomes.empty())
            requestsWhenFirstDone = server.requests().size();
        outcomes.push_back(outcome);
    });
    ticked.poll.Command2_Click();
    clock.advance(1);
    ticked.poll.Timer1_Timer();

    ASSERT_EQ(outcomes.size(), kDue.size());
    // Every page of the tick was asked for before the first race was done with its own: none
    // waited for a free connection behind a page of another race.
    EXPECT_EQ(requestsWhenFirstDone, 4 * 7);
    const qsizetype tickRequests = server.requests().size();

    // The same races one after another, each page asked for when its scraper wants it.
    std::vector<ScraperStep> serial(raceScrapers().begin(), raceScrapers().end());
    for (ScraperStep& step : serial)
        step.pages = nullptr;
    Desk oneByOne(clock, server.baseUrl(), serial);
    for (int r = 1; r <= int(kDue.size()); ++r) {
        const RaceOutcome alone =
            oneByOne.races.Race_get(kDue[size_t(r - 1)].card.venue, kDue[size_t(r - 1)].card.race, r);
        EXPECT_EQ(outcomes[size_t(r - 1)].row, r);
        EXPECT_EQ(outcomes[size_t(r - 1)].written, alone.written) << r;
        EXPECT_EQ(outcomes[size_t(r - 1)].stopped.isEmpty(), !kDue[size_t(r - 1)].cancelled) << r;
    }
    const auto files = ticked.files();
    EXPECT_EQ(files.size(), 3 * 11 + 7u); // eleven files of each race that ran, seven page copies
    EXPECT_TRUE(files == oneByOne.files());
    for (const RaceOutcome& outcome : outcomes)
        EXPECT_TRUE(outcome.ok()) << outcome.failures.join(u"; "_s).toStdString();

    // The cancelled race gave up its own pages before the site answered them; every page of the
    // other races was answered and read.
    QElapsedTimer waited;
    waited.start();
    while (waited.elapsed() < kSlowMs + 300)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    for (const DueRace& due : kDue) {
        SCOPED_TRACE(due.card.pageId.toStdString());
        const auto [asked, answered] = requestsOf(due, tickRequests);
        EXPECT_LE(asked, 7);
        EXPECT_EQ(answered, due.cancelled ? 1 : 7);
    }
}

} // namespace
