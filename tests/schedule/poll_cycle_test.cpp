#include "schedule/poll_cycle.h"

#include <gtest/gtest.h>

#include "foundation/card_files.h"
#include "foundation/controls.h"
#include "foundation/form_state.h"
#include "foundation/grid_layouts.h"
#include "schedule/fetch_times.h"
#include "schedule/schedule_grid.h"
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
    int throwOn = 0;       // throw as a grid out of range does on this call (0: never)
    bool busyNow = false;  // another fetch is waiting for its page
    int calls = 0;
    std::vector<Fetch> askedAhead, taken; // within the tick

    bool busy() const override { return busyNow; }
    // Every tick asks ahead for exactly the races it then fetches, in its order.
    void prefetchRace(const QString& venue, int row) override { askedAhead.push_back({{}, venue, 0, row}); }
    void dropPrefetched() override
    {
        ASSERT_EQ(askedAhead.size(), taken.size());
        for (size_t i = 0; i < taken.size(); ++i)
            EXPECT_TRUE(askedAhead[i].venue == taken[i].venue && askedAhead[i].row == taken[i].row) << i;
        askedAhead.clear();
        taken.clear();
    }
    RaceOutcome Race_get(const QString& venue, int n, int row) override
    {
        taken.push_back({{}, venue, n, row});
        if (++calls == throwOn)
            throw GridRangeError("VSFlexGrid16: cell (3, 2) outside 2 x 2");
        fetches.push_back({m_clock.now().toString(u"HH:mm:ss"_s), venue, n, row});
        if (completeAfter && int(fetches.size()) == completeAfter)
            m_form.grid(Grid::VSFlexGrid8).setTextMatrix(row, ScheduleColumn::State, FetchState::kComplete);
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

    GridModel& schedule() { return form.grid(Grid::VSFlexGrid8); }
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
    void tickFor(int seconds)
    {
        for (int i = 0; i < seconds; ++i) {
            clock.advance(1);
            poll.Timer1_Timer();
        }
    }
    int logLinesWith(const QString& text)
    {
        int n = 0;
        for (const QString& line : form.fetchLog())
            n += line.contains(text) ? 1 : 0;
        return n;
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

// The fetch times of one race, post 15:00, from the start button on.
TEST_F(Polling, FetchTimesFollowThePostTimeBands)
{
    const QString first = u"14:16 14:20 14:24 14:28 14:32 14:36 14:40 "_s; // every 4 minutes
    const QString last = u"14:54 14:55 14:56 14:57 14:58 14:59 15:00 15:02 15:04 15:06"_s;
    const struct {
        const char* name;
        QTime start;
        bool noMiddleOrFinalBand; // Text5(1) and Text5(2) set to 0
        int seconds;              // ticked after the start
        QString next;             // the next time after the start, null: not checked
        QString state;            // the row's state after the start, null: not checked
        QString times;
    } rows[] = {
        {"at 13:30: at once, then every 10 minutes", QTime(13, 30), false, 20 * 60 + 1, u"13:30"_s,
         FetchState::kScheduled, u"13:30 13:40 13:50"_s},
        {"exactly an hour before: at once, then every 4 minutes", QTime(14, 0), false, 8 * 60 + 1, u""_s, QString(),
         u"14:00 14:04 14:08"_s},
        {"every minute from 20 minutes before, every 2 after the post", QTime(14, 15), false, 52 * 60, QString(),
         QString(), first + u"14:41 14:42 14:43 14:44 14:45 14:46 14:47 14:48 14:49 14:50 14:51 14:52 14:53 "_s + last},
        {"started after the post: the 1-minute grid, then every 2", QTime(15, 1, 30), false, 5 * 60, u"15:02"_s,
         FetchState::kStartedBeforeRun, u"15:02 15:04 15:06"_s},
        {"no middle or final band: every 10 minutes to the post", QTime(14, 25), true, 35 * 60 + 1, QString(),
         QString(), u"14:30 14:40 14:50 15:00"_s},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.name);
        FormState form;
        test::FakeClock clock{QDateTime(QDate(2025, 12, 5), r.start)};
        RecordingRaces races{clock, form};
        PollCycle poll{form, clock, races};
        GridModel& schedule = form.grid(Grid::VSFlexGrid8);
        fillScheduleGrid(schedule, {{u"大井"_s, 10, u"15:00"_s, u"x"_s, u"ID10"_s}});
        form.setVenueBox(0, {true, u"大井"_s, true});
        if (r.noMiddleOrFinalBand) {
            form.setText(Control::Text5[1], u"0"_s);
            form.setText(Control::Text5[2], u"0"_s);
        }
        poll.Command2_Click();
        if (!r.next.isNull()) {
            EXPECT_EQ(schedule.textMatrix(1, ScheduleColumn::NextTime), r.next);
        }
        if (!r.state.isNull()) {
            EXPECT_EQ(schedule.textMatrix(1, ScheduleColumn::State), r.state);
        }
        for (int i = 0; i < r.seconds; ++i) {
            clock.advance(1);
            poll.Timer1_Timer();
        }
        QStringList times;
        for (const auto& f : races.fetches)
            times << f.at.left(5);
        EXPECT_EQ(times.join(u' '), r.times);
        ASSERT_FALSE(races.fetches.empty());
        EXPECT_EQ(races.fetches[0].race, 10);
        EXPECT_EQ(races.fetches[0].row, 1);
        EXPECT_TRUE(form.fetchLog().isEmpty());
    }
}

TEST_F(Polling, AStoppedRowShowsStopAndIsNotFetchedAgain)
{
    clock.set(QDateTime(QDate(2025, 12, 5), QTime(15, 1, 30)));
    day({{u"大井"_s, 10, u"15:00"_s, u"x"_s, u"ID10"_s}});
    races.completeAfter = 1;
    poll.Command2_Click();
    tickUntil(QTime(15, 30, 0));
    EXPECT_EQ(races.fetches.size(), 1u);
    EXPECT_EQ(cell(1, ScheduleColumn::Countdown), ScheduleValue::kStopped);
    EXPECT_EQ(cell(1, ScheduleColumn::Payout), ScheduleValue::kPayoutDone);
    EXPECT_EQ(poll.activeRows(), 0);

    poll.Command2_Click(); // a new start reopens every row
    EXPECT_EQ(cell(1, ScheduleColumn::State), FetchState::kStartedBeforeRun);
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
    day({{u"大井"_s, 1, u"14:00"_s, u"a"_s, u"O1"_s},
         {u"川崎"_s, 1, u"14:00"_s, u"b"_s, u"K1"_s},
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
    EXPECT_TRUE(poll.armed());
}

TEST_F(Polling, AnIntervalBoxBeingTypedKeepsTheRowsDueUntilItIsCorrected)
{
    const struct {
        const char* name;
        int box;
        QString text;
    } rows[] = {
        {"empty middle-band interval", 4, QString()}, {"not a number", 4, u"ten"_s},
        {"zero does not divide", 4, u"0"_s},          {"a fraction is no whole number", 4, u"1.5"_s},
        {"empty after-the-post interval", 0, u" "_s},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.name);
        FormState form;
        test::FakeClock clock{QDateTime(QDate(2025, 12, 5), QTime(13, 30))};
        RecordingRaces races{clock, form};
        PollCycle poll{form, clock, races};
        // Row 1 is due in the middle band, row 2 after its post.
        fillScheduleGrid(form.grid(Grid::VSFlexGrid8),
                         {{u"大井"_s, 1, u"14:10"_s, u"a"_s, u"O1"_s}, {u"大井"_s, 2, u"13:20"_s, u"b"_s, u"O2"_s}});
        form.setVenueBox(0, {true, u"大井"_s, true});
        const int row = r.box == 4 ? 1 : 2;
        poll.Command2_Click();
        clock.advance(1);
        poll.Timer1_Timer(); // the first fetch of both rows
        const QString due = form.grid(Grid::VSFlexGrid8).textMatrix(row, ScheduleColumn::NextTime);
        const size_t before = races.fetches.size();
        form.setText(Control::intervalBox(r.box), r.text);
        clock.set(QDateTime(QDate(2025, 12, 5), QTime(13, 45)));
        for (int i = 0; i < 30; ++i) {
            clock.advance(1);
            poll.Timer1_Timer();
        }
        EXPECT_EQ(form.grid(Grid::VSFlexGrid8).textMatrix(row, ScheduleColumn::NextTime), due);
        int reported = 0;
        for (const QString& line : form.fetchLog())
            reported += line.contains(u"Text5(%1)"_s.arg(r.box)) ? 1 : 0;
        EXPECT_EQ(reported, 1); // once, not once a second
        for (size_t i = before; i < races.fetches.size(); ++i)
            EXPECT_NE(races.fetches[i].row, row);
        EXPECT_EQ(poll.activeRows(), 2);

        form.setText(Control::intervalBox(r.box), r.box == 4 ? u"4"_s : u"2"_s);
        const size_t fixedAt = races.fetches.size();
        clock.advance(1);
        poll.Timer1_Timer();
        ASSERT_GT(races.fetches.size(), fixedAt);
        EXPECT_EQ(races.fetches.back().row, row); // fetched at the next tick
        EXPECT_NE(form.grid(Grid::VSFlexGrid8).textMatrix(row, ScheduleColumn::NextTime), due);
    }
}

TEST_F(Polling, ARaceStillRunningAtMidnightIsStoppedNotFetchedEverySecond)
{
    clock.set(QDateTime(QDate(2025, 12, 5), QTime(23, 57, 0)));
    day({{u"大井"_s, 12, u"23:58"_s, u"x"_s, u"ID12"_s}});
    poll.Command2_Click();
    tickFor(6 * 60); // to 00:03 of the next day
    EXPECT_EQ(fetchTimes(), (std::vector<QString>{u"23:57"_s, u"23:58"_s}));
    EXPECT_EQ(cell(1, ScheduleColumn::State), FetchState::kComplete);
    EXPECT_EQ(cell(1, ScheduleColumn::Countdown), ScheduleValue::kStopped);
    EXPECT_EQ(cell(1, ScheduleColumn::NextTime), u"23:58"_s);
    EXPECT_EQ(logLinesWith(u"past midnight"_s), 1);
    EXPECT_EQ(poll.activeRows(), 0);
}

TEST_F(Polling, AfterMidnightNoRaceOfThePolledDayIsFetched)
{
    clock.set(QDateTime(QDate(2025, 12, 5), QTime(23, 30, 0)));
    day({{u"大井"_s, 11, u"23:50"_s, u"x"_s, u"ID11"_s}, {u"大井"_s, 12, u"23:55"_s, u"y"_s, u"ID12"_s}});
    poll.Command2_Click();
    tickFor(2);
    const size_t before = races.fetches.size();
    // A fetch that hangs past midnight: the next tick comes on the next day.
    clock.set(QDateTime(QDate(2025, 12, 6), QTime(0, 10, 0)));
    tickFor(60);
    EXPECT_EQ(races.fetches.size(), before);
    EXPECT_EQ(cell(1, ScheduleColumn::State), FetchState::kComplete);
    EXPECT_EQ(cell(2, ScheduleColumn::Countdown), ScheduleValue::kStopped);
    EXPECT_EQ(logLinesWith(u"2025-12-05 is over"_s), 2);
    EXPECT_EQ(poll.activeRows(), 0);
}

TEST_F(Polling, ATickDuringAnotherFetchLeavesTheDueRowsForTheNextTick)
{
    day({{u"大井"_s, 10, u"15:00"_s, u"x"_s, u"ID10"_s}});
    poll.Command2_Click();
    races.busyNow = true; // a test button's fetch is waiting for its page
    tickFor(3);
    EXPECT_TRUE(races.fetches.empty());
    EXPECT_EQ(cell(1, ScheduleColumn::NextTime), u"13:30"_s);
    EXPECT_TRUE(poll.armed());
    races.busyNow = false;
    tickFor(1);
    ASSERT_EQ(races.fetches.size(), 1u);
    EXPECT_EQ(cell(1, ScheduleColumn::NextTime), u"13:40"_s);
}

TEST_F(Polling, AFailureThrownInsideATickIsReportedAndTheNextTickRuns)
{
    day({{u"大井"_s, 1, u"15:00"_s, u"a"_s, u"O1"_s}, {u"大井"_s, 2, u"15:30"_s, u"b"_s, u"O2"_s}});
    races.throwOn = 1;
    poll.Command2_Click();
    tickFor(1);
    EXPECT_EQ(logLinesWith(u"cell (3, 2) outside 2 x 2"_s), 1);
    ASSERT_EQ(races.fetches.size(), 1u); // the next row of the same tick
    EXPECT_EQ(races.fetches[0].row, 2);
    EXPECT_EQ(cell(1, ScheduleColumn::NextTime), u"13:40"_s); // counted as a failed fetch
    EXPECT_TRUE(poll.armed());

    // A schedule grid too narrow for its columns: reported once per row, the timer kept.
    schedule().setCols(5);
    tickFor(5);
    EXPECT_EQ(logLinesWith(u"VSFlexGrid8: cell (1, 12) outside 3 x 5"_s), 1);
    EXPECT_EQ(logLinesWith(u"VSFlexGrid8: cell (2, 12) outside 3 x 5"_s), 1);
    EXPECT_TRUE(poll.armed());
}
