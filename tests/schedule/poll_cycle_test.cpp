#include "schedule/poll_cycle.h"

#include <gtest/gtest.h>

#include "schedule/fetch_times.h"
#include "schedule/schedule_grid.h"
#include "shell/card_files.h"
#include "shell/form_state.h"
#include "shell/grid_layouts.h"
#include "support/fake_clock.h"

using namespace kazeyomi;
using namespace Qt::StringLiterals;

namespace {

struct Fetch {
    QString at; // clock time "hh:mm:ss"
    QString venue;
    int race;
    int row;
};

class RecordingRaces final : public RaceFetcher {
public:
    explicit RecordingRaces(const test::FakeClock& clock, FormState& form) : m_clock(clock), m_form(form) {}
    std::vector<Fetch> fetches;
    int completeAfter = 0; // mark the row complete on this fetch (0: never)

    RaceOutcome Race_get(const QString& venue, int n, int row) override
    {
        fetches.push_back({m_clock.now().toString(u"HH:mm:ss"_s), venue, n, row});
        if (completeAfter && int(fetches.size()) == completeAfter)
            m_form.grid(kScheduleGrid).setTextMatrix(row, ScheduleColumn::State, u"2"_s);
        return {};
    }

private:
    const test::FakeClock& m_clock;
    FormState& m_form;
};

class Polling : public ::testing::Test {
protected:
    FormState form;
    test::FakeClock clock{QDateTime(QDate(2025, 12, 5), QTime(13, 30))};
    RecordingRaces races{clock, form};
    PollCycle poll{form, clock, races};

    GridModel& schedule() { return form.grid(kScheduleGrid); }
    QString cell(int row, int col) { return schedule().textMatrix(row, col); }

    void day(std::vector<RaceCard> cards)
    {
        fillScheduleGrid(schedule(), cards);
        QString previous;
        int k = 0;
        for (const auto& c : cards)
            if (c.venue != previous)
                form.setVenueBox(k++, {true, previous = c.venue, true});
    }
    // Runs the tick once a second from now until `until`, as the armed timer would.
    void tickUntil(const QTime& until)
    {
        while (clock.now().time() < until) {
            clock.advance(1);
            poll.Timer1_Timer();
        }
    }
    std::vector<QString> fetchTimes()
    {
        std::vector<QString> times;
        for (const auto& f : races.fetches)
            times.push_back(f.at.left(5));
        return times;
    }
};

} // namespace

TEST(FetchTimes, NextTimeIsTheFirstGridPointAtOrAfterNow)
{
    const struct {
        const char* name;
        QTime now;
        double minutes;
        const char* next;
    } rows[] = {
        {"4-minute grid before the post", QTime(14, 37, 30), 4, "14:40"},
        {"2-minute grid after the post", QTime(15, 1, 30), 2, "15:02"},
        {"10-minute grid, 13:30 exactly", QTime(13, 30, 0), 10, "13:30"},
        {"on a grid point", QTime(14, 40, 0), 4, "14:40"},
        {"one second after a grid point", QTime(14, 40, 1), 4, "14:44"},
        {"after the post on the point", QTime(15, 4, 0), 2, "15:04"},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.name);
        const QDateTime t0(QDate(2025, 12, 5), r.now);
        const auto s = secondsUntil(t0, u"15:00"_s);
        ASSERT_TRUE(s);
        EXPECT_EQ(nextFetchTime(*todayAt(t0, u"15:00"_s), *s, r.minutes), QString::fromLatin1(r.next));
    }
    EXPECT_FALSE(secondsUntil(QDateTime::currentDateTime(), u"1510"_s));
    EXPECT_FALSE(secondsUntil(QDateTime::currentDateTime(), u"25:00"_s));
}

TEST_F(Polling, StartAtHalfPastOneFetchesAtOnceThenEveryTenMinutes)
{
    day({{u"大井"_s, 10, u"15:00"_s, u"x"_s, u"ID10"_s}});
    poll.Command2_Click();
    EXPECT_EQ(cell(1, ScheduleColumn::NextTime), u"13:30"_s);
    EXPECT_EQ(cell(1, ScheduleColumn::State), u"0"_s);
    EXPECT_TRUE(poll.armed());
    tickUntil(QTime(13, 30, 1));
    ASSERT_EQ(races.fetches.size(), 1u);
    EXPECT_EQ(races.fetches[0].race, 10);
    EXPECT_EQ(races.fetches[0].row, 1);
    EXPECT_EQ(cell(1, ScheduleColumn::NextTime), u"13:40"_s);
    EXPECT_EQ(cell(1, ScheduleColumn::Payout), QString());
}

TEST_F(Polling, ARaceAlreadyStartedGetsTheOneMinuteGridThenEveryTwoMinutes)
{
    clock.set(QDateTime(QDate(2025, 12, 5), QTime(15, 1, 30)));
    day({{u"大井"_s, 10, u"15:00"_s, u"x"_s, u"ID10"_s}});
    poll.Command2_Click();
    EXPECT_EQ(cell(1, ScheduleColumn::NextTime), u"15:02"_s);
    EXPECT_EQ(cell(1, ScheduleColumn::State), u"1"_s);
    tickUntil(QTime(15, 2, 1));
    EXPECT_EQ(races.fetches.size(), 1u);
    EXPECT_EQ(cell(1, ScheduleColumn::NextTime), u"15:04"_s);
}

TEST_F(Polling, FollowsThePostTimeBands)
{
    clock.set(QDateTime(QDate(2025, 12, 5), QTime(14, 15, 0)));
    day({{u"大井"_s, 10, u"15:00"_s, u"x"_s, u"ID10"_s}});
    poll.Command2_Click();
    tickUntil(QTime(15, 7, 0));
    const std::vector<QString> expected = {
        u"14:16"_s, u"14:20"_s, u"14:24"_s, u"14:28"_s, u"14:32"_s, u"14:36"_s, u"14:40"_s, // 4-minute band
        u"14:41"_s, u"14:42"_s, u"14:43"_s, u"14:44"_s, u"14:45"_s, u"14:46"_s, u"14:47"_s, u"14:48"_s,
        u"14:49"_s, u"14:50"_s, u"14:51"_s, u"14:52"_s, u"14:53"_s, u"14:54"_s, u"14:55"_s, u"14:56"_s,
        u"14:57"_s, u"14:58"_s, u"14:59"_s, u"15:00"_s, // every minute to the post
        u"15:02"_s, u"15:04"_s, u"15:06"_s, // every 2 minutes after it
    };
    EXPECT_EQ(fetchTimes(), expected);
}

TEST_F(Polling, AStartExactlyAnHourBeforeThePostFetchesAtOnce)
{
    clock.set(QDateTime(QDate(2025, 12, 5), QTime(14, 0, 0)));
    day({{u"大井"_s, 10, u"15:00"_s, u"x"_s, u"ID10"_s}});
    poll.Command2_Click();
    EXPECT_EQ(cell(1, ScheduleColumn::NextTime), QString()); // no new time exactly on the band's edge
    tickUntil(QTime(14, 0, 1));
    ASSERT_EQ(races.fetches.size(), 1u);
    EXPECT_EQ(cell(1, ScheduleColumn::NextTime), u"14:04"_s);
    EXPECT_TRUE(form.fetchLog().isEmpty());
}

TEST_F(Polling, AStoppedRowShowsStopAndIsNotFetchedAgain)
{
    clock.set(QDateTime(QDate(2025, 12, 5), QTime(15, 1, 30)));
    day({{u"大井"_s, 10, u"15:00"_s, u"x"_s, u"ID10"_s}});
    races.completeAfter = 1;
    poll.Command2_Click();
    tickUntil(QTime(15, 30, 0));
    EXPECT_EQ(races.fetches.size(), 1u);
    EXPECT_EQ(cell(1, ScheduleColumn::Countdown), u"停止"_s);
    EXPECT_EQ(cell(1, ScheduleColumn::Payout), u"1"_s);
    EXPECT_EQ(poll.activeRows(), 0);

    poll.Command2_Click(); // a new start reopens every row
    EXPECT_EQ(cell(1, ScheduleColumn::State), u"1"_s);
    EXPECT_EQ(poll.activeRows(), 1);
}

TEST_F(Polling, AnUntickedVenueIsNeverFetchedButItsTimesMoveOn)
{
    day({{u"川崎"_s, 1, u"14:00"_s, u"a"_s, u"K1"_s}, {u"大井"_s, 1, u"14:10"_s, u"b"_s, u"O1"_s}});
    form.setVenueChecked(0, false);
    poll.Command2_Click();
    tickUntil(QTime(13, 50, 1));
    for (const auto& f : races.fetches)
        EXPECT_EQ(f.venue, u"大井"_s);
    EXPECT_FALSE(races.fetches.empty());
    EXPECT_EQ(cell(1, ScheduleColumn::NextTime), u"13:51"_s); // 4-minute band, then every minute
}

TEST_F(Polling, AVenueIsPolledWhileAnyOfItsBoxesIsTicked)
{
    day({{u"大井"_s, 1, u"14:00"_s, u"a"_s, u"O1"_s}, {u"川崎"_s, 1, u"14:00"_s, u"b"_s, u"K1"_s},
         {u"大井"_s, 2, u"14:30"_s, u"c"_s, u"O2"_s}});
    ASSERT_EQ(form.venueBox(2).caption, u"大井"_s);
    form.setVenueChecked(0, false);
    EXPECT_EQ(poll.DounChk(u"大井"_s), 1);
    form.setVenueChecked(2, false);
    EXPECT_EQ(poll.DounChk(u"大井"_s), 0);
    EXPECT_EQ(poll.DounChk(u"川崎"_s), 1);
    EXPECT_EQ(poll.DounChk(u"浦和"_s), 0);
}

TEST_F(Polling, TheSecondMeetingUsesItsOwnRows)
{
    day({{u"川崎"_s, 1, u"13:40"_s, u"a"_s, u"K1"_s}, {u"大井"_s, 1, u"13:40"_s, u"b"_s, u"O1"_s}});
    poll.Command2_Click();
    tickUntil(QTime(13, 30, 1));
    ASSERT_EQ(races.fetches.size(), 2u);
    EXPECT_EQ(races.fetches[0].row, 1);
    EXPECT_EQ(races.fetches[1].row, 2);
    EXPECT_EQ(races.fetches[1].venue, u"大井"_s);
}

TEST_F(Polling, BadTimesAndSettingsAreReportedOnceAndNeverEndThePolling)
{
    day({{u"大井"_s, 1, u"1510"_s, u"a"_s, u"O1"_s}, {u"大井"_s, 2, u"14:40"_s, u"b"_s, u"O2"_s}});
    poll.Command2_Click();
    ASSERT_EQ(form.fetchLog().size(), 1);
    EXPECT_TRUE(form.fetchLog()[0].contains(u"\"1510\""_s));
    tickUntil(QTime(13, 30, 5));
    EXPECT_EQ(form.fetchLog().size(), 1); // not repeated every second
    ASSERT_EQ(races.fetches.size(), 1u);  // row 2 goes on; row 1 is never fetched
    EXPECT_EQ(races.fetches[0].row, 2);

    form.setText(FormState::intervalBox(4), u"ten"_s);
    tickUntil(QTime(13, 40, 5));
    EXPECT_TRUE(form.fetchLog().back().contains(u"Text5(4)"_s));
    EXPECT_EQ(cell(2, ScheduleColumn::NextTime), u"13:40"_s); // left as it was
    EXPECT_EQ(races.fetches.size(), 2u);                      // fetched once, then set aside
    EXPECT_TRUE(poll.armed());
}
