#include "demo/demo_day.h"

#include <gtest/gtest.h>

#include "demo/pair_pages.h"
#include "demo/triple_pages.h"
#include "support/fake_clock.h"

using namespace kazeyomi;
using namespace Qt::StringLiterals;

TEST(DemoDay, TwoMeetingsThatEndBeforeMidnightWhateverTheStart)
{
    for (const QTime start : {QTime(10, 0), QTime(21, 30), QTime(22, 29)}) {
        SCOPED_TRACE(start.toString().toStdString());
        test::FakeClock clock(QDateTime(QDate(2025, 12, 5), start));
        const DemoDay day(clock, clock.now());
        ASSERT_EQ(day.races().size(), 23u);
        EXPECT_EQ(day.cardMeetings().size(), 2u);
        for (const DemoRace& race : day.races()) {
            EXPECT_GT(race.post, clock.now());
            EXPECT_EQ(race.post.date(), clock.now().date());
            EXPECT_LE(race.post.addSecs(DemoDay::kResultDelayMinutes * 60).time(), QTime(23, 50));
            EXPECT_TRUE(race.runners >= 5 && race.runners <= 16);
            EXPECT_EQ(race.pageId.size(), 16);
        }
    }
}

TEST(DemoDay, PagesFollowTheClockFromCurrentOddsToTheResult)
{
    test::FakeClock clock(QDateTime(QDate(2025, 12, 5), QTime(13, 50)));
    const DemoDay day(clock, QDateTime(QDate(2025, 12, 5), QTime(14, 0)), {{u"大井"_s, 1}}, 10);
    const DemoRace& race = day.races().front();
    const QString odds = u"/odds/"_s + race.pageId + u"01.do"_s;
    const QString result = u"/result/"_s + race.pageId + u".do"_s;

    const QByteArray before = day.respond(odds)->body;
    EXPECT_TRUE(before.contains("現在"));
    clock.advance(5 * 60);
    EXPECT_NE(day.respond(odds)->body, before); // the odds drift between fetches
    EXPECT_FALSE(day.respond(result)->body.contains("返還"));
    const QByteArray noResult = day.respond(result)->body;

    clock.set(QDateTime(QDate(2025, 12, 5), QTime(14, 1)));
    EXPECT_TRUE(day.respond(odds)->body.contains("最終オッズ"));
    EXPECT_EQ(day.respond(result)->body, noResult);
    clock.set(QDateTime(QDate(2025, 12, 5), QTime(14, 3)));
    EXPECT_NE(day.respond(result)->body, noResult);
    EXPECT_FALSE(day.respond(u"/odds/0000000000000000001.do"_s).has_value());
}

// The other pages of a race show the same field at the same moment as its win/place page.
TEST(DemoDay, ServesEveryPageOfARaceInStepWithItsWinPlacePage)
{
    test::FakeClock clock(QDateTime(QDate(2025, 12, 5), QTime(13, 0)));
    const DemoDay day(clock, QDateTime(QDate(2025, 12, 5), QTime(14, 0)), {{u"大井"_s, 8}}, 10);
    int withScratch = 0;
    for (const DemoRace& race : day.races()) {
        SCOPED_TRACE(race.race);
        const QString odds = u"/odds/"_s + race.pageId;
        const WinPlacePage winPlace = day.winPlace(race, clock.now());
        const QuinellaWidePage pairs = quinellaWidePage(winPlace, day.pairsNotShown(race, clock.now()));
        EXPECT_EQ(day.respond(odds + u"04.do"_s).value().body, pairs.html);
        const TrioPage trio = trioPage(winPlace, day.triplesNotShown(race, clock.now()));
        EXPECT_EQ(day.respond(odds + u"09.do"_s).value().body, trio.html);
        for (const QString& page : {u"03.do"_s, u"08.do"_s})
            EXPECT_TRUE(day.respond(odds + page).has_value());
        withScratch += race.scratched.isEmpty() ? 0 : 1;
    }
    EXPECT_EQ(withScratch, 2);
}
