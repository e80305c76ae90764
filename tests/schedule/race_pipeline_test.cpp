// The pages of the races due in one tick asked for at once over HTTP: the files are those of
// fetching them one after another, a race that ends early gives up what it no longer needs, and
// a page that stalls fails at its own time limit while the others arrive.
#include <gtest/gtest.h>

#include "foundation/grid_layouts.h"
#include "support/fake_clock.h"
#include "support/race_desk.h"

using namespace kazeyomi;
using namespace kazeyomi::test;
using namespace Qt::StringLiterals;

namespace {

struct DueRace {
    RaceCard card;
    int runners;
    WinPlacePage::Kind kind;
    bool shortQuinella;
    QString stopped;
    int answered; // of its requests of the tick, the rest given up
};

// Four races due at once at 13:30 (every post more than an hour away). Two end early, and the
// pages they would read after are slow to come: a cancelled race, and one without quinella odds.
const std::vector<DueRace> kDue = {
    {{u"大井"_s, 1, u"15:00"_s, {}, u"20251205200101"_s}, 5, WinPlacePage::Kind::Current, false, {}, 6},
    {{u"大井"_s, 2, u"15:30"_s, {}, u"20251205200102"_s},
     8,
     WinPlacePage::Kind::Cancelled,
     false,
     u"the race is called off (取止)"_s,
     1},
    {{u"川崎"_s, 1, u"15:10"_s, {}, u"20251205210101"_s}, 16, WinPlacePage::Kind::Current, false, {}, 6},
    {{u"川崎"_s, 2, u"15:40"_s, {}, u"20251205210102"_s},
     12,
     WinPlacePage::Kind::Current,
     true,
     u"no quinella odds on the page (too short, or no odds shown yet)"_s,
     2},
};

const QByteArray kBusy = "<html><body><p>busy</p></body></html>";

class RacePipeline : public ::testing::Test {
protected:
    FakeClock clock{QDateTime(QDate(2025, 12, 5), QTime(13, 30))};
    SiteServer server;
    std::vector<RaceCard> cards;

    void SetUp() override
    {
        ASSERT_TRUE(server.listen());
        for (const DueRace& due : kDue) {
            cards.push_back(due.card);
            WinPlacePage odds;
            odds.venue = due.card.venue;
            odds.race = due.card.race;
            odds.raceCode = due.card.pageId;
            odds.kind = due.kind;
            odds.runners = sampleRunners(due.runners);
            for (const auto& [path, body] : racePages(odds)) {
                // The first race's last page comes late: meanwhile the other races' pages go out.
                // The pages a race that ends early would read after are slow.
                const bool first = path.endsWith(u"01.do"_s) || (due.shortQuinella && path.endsWith(u"04.do"_s));
                const int delayMs = first                                                              ? 0
                                    : &due == &kDue.front() && path == resultPagePath(due.card.pageId) ? 200
                                    : due.stopped.isEmpty()                                            ? 0
                                                                                                       : 1000;
                servePage(server, path, first && due.shortQuinella && path.endsWith(u"04.do"_s) ? kBusy : body,
                          delayMs);
            }
        }
    }
    // The requests for one race's pages from `from` on, and how many of them were answered.
    std::pair<int, int> requestsOf(const DueRace& due, qsizetype from, qsizetype to) const
    {
        int asked = 0;
        int answered = 0;
        for (const SiteServer::Request& request : server.requests().mid(from, to - from))
            if (request.pathAndQuery.contains(due.card.pageId)) {
                ++asked;
                answered += request.answered ? 1 : 0;
            }
        return {asked, answered};
    }
};

TEST_F(RacePipeline, DueRacesWriteTheBytesOfFetchingOnePageAfterAnother)
{
    RaceDesk ticked(clock, server.baseUrl(), cards);
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
    EXPECT_EQ(requestsWhenFirstDone, 4 * 6);
    const qsizetype tickRequests = server.requests().size();

    // Each race alone, its pages asked for at once when it starts; and one page after another.
    RaceDesk alone(clock, server.baseUrl(), cards);
    const std::vector<ScraperStep> serial = oneAfterAnother();
    RaceDesk oneByOne(clock, server.baseUrl(), cards, serial);
    for (int r = 1; r <= int(kDue.size()); ++r) {
        const DueRace& due = kDue[size_t(r - 1)];
        SCOPED_TRACE(due.card.pageId.toStdString());
        const qsizetype start = server.requests().size();
        const RaceOutcome pipelined = alone.races.Race_get(due.card.venue, due.card.race, r);
        const qsizetype serialStart = server.requests().size();
        const RaceOutcome single = oneByOne.races.Race_get(due.card.venue, due.card.race, r);
        for (const RaceOutcome* outcome : {&std::as_const(outcomes[size_t(r - 1)]), &pipelined}) {
            EXPECT_EQ(outcome->row, r);
            EXPECT_EQ(outcome->written, single.written);
            EXPECT_EQ(outcome->stopped, due.stopped);
            EXPECT_TRUE(outcome->ok()) << outcome->failures.join(u"; "_s).toStdString();
        }
        // Pipelined, the quinella and wide page is one request; one after another, seven. (The
        // requests a race gave up may reach the site later: only whole races are counted.)
        if (due.stopped.isEmpty()) {
            EXPECT_EQ(requestsOf(due, start, serialStart).first, 6);
            EXPECT_EQ(requestsOf(due, serialStart, server.requests().size()).first, 7);
        }
    }
    const auto files = ticked.files();
    EXPECT_EQ(files.size(), 2 * 11 + 7u); // eleven files of each race that ran, seven page copies
    EXPECT_TRUE(files == alone.files());
    EXPECT_TRUE(files == oneByOne.files());

    // The races that ended early gave up their own pages before the site answered them; every
    // page of the other races was answered and read.
    ASSERT_TRUE(settled(server, 0));
    for (const DueRace& due : kDue) {
        SCOPED_TRACE(due.card.pageId.toStdString());
        const auto [asked, answered] = requestsOf(due, 0, tickRequests);
        EXPECT_LE(asked, 6);
        EXPECT_EQ(answered, due.answered);
    }
}

TEST_F(RacePipeline, AStallingPageFailsAtItsTimeLimitWhileTheOthersArrive)
{
    serveRace(server, oddsField(u"14:25"_s));
    servePage(server, u"/odds/"_s + kCode + u"09.do"_s, trioPage(oddsField(u"14:25"_s)).html, 5000);
    RaceDesk desk(clock, server.baseUrl(), {{u"大井"_s, 1, u"15:00"_s, {}, kCode}}, raceScrapers(), 1000);
    const RaceOutcome outcome = desk.races.Race_get(u"大井"_s, 1, kRow);
    // Only the trio failed, after its own second; the pages after it had come meanwhile.
    ASSERT_EQ(outcome.failures.size(), 1);
    EXPECT_TRUE(outcome.failures[0].contains(u"no complete answer within 1 s"_s)) << outcome.failures[0].toStdString();
    EXPECT_EQ(outcome.written.size(), 10);
    EXPECT_FALSE(outcome.written.contains(u".3fuku"_s));
}

// The same pages again are not rendered again, and the files get the same lines.
TEST_F(RacePipeline, ARepeatedPageGivesTheSameLinesWithoutRenderingAgain)
{
    serveRace(server, oddsField(u"14:25"_s, 12));
    RaceDesk desk(clock, server.baseUrl(), {{u"大井"_s, 1, u"15:00"_s, {}, kCode}});
    ASSERT_TRUE(desk.races.Race_get(u"大井"_s, 1, kRow).ok());
    EXPECT_EQ(desk.pages.renderings(), 6); // six addresses, the quinella and wide page shared
    ASSERT_TRUE(desk.races.Race_get(u"大井"_s, 1, kRow).ok());
    EXPECT_EQ(desk.pages.renderings(), 6);
    for (const QString& ext : {u"tanA"_s, u"uren"_s, u"utan"_s, u"wideH"_s, u"3fuku"_s, u"3tan"_s}) {
        const QList<QByteArray> lines = readBytes(desk.folders.oddsFolder() + u"/大井01."_s + ext).split('\n');
        ASSERT_EQ(lines.size(), 3) << ext.toStdString();
        EXPECT_EQ(lines[0], lines[1]) << ext.toStdString();
    }
    // A page that changed is rendered anew.
    WinPlacePage final = oddsField(u"14:25"_s, 12);
    final.kind = WinPlacePage::Kind::Final;
    servePage(server, u"/odds/"_s + kCode + u"01.do"_s, winPlacePage(final));
    ASSERT_TRUE(desk.races.Race_get(u"大井"_s, 1, kRow).ok());
    EXPECT_EQ(desk.pages.renderings(), 7);
}

} // namespace
