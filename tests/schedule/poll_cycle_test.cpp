#include "schedule/poll_cycle.h"

#include <algorithm>

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
    int calls = 0;
    std::vector<Fetch> askedAhead, taken; // within the tick
    size_t mostAhead = 0;                 // races asked for and not taken yet, at most

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
        mostAhead = std::max(mostAhead, askedAhead.size() - taken.size());
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
    // Runs the tick once a second, as the armed timer would.
    void tickFor(int seconds)
    {
        for (int i = 0; i < seconds; ++i) {
            clock.advance(1);
            poll.Timer1_Timer();
        }
    }
    int logLinesWith(const QString& text) { return int(form.fetchLog().filter(text).size()); }
};

} // namespace

// The fetch times from the start button on, each row fetched as its own venue and race.
TEST_F(Polling, FetchTimesFollowThePostTimeBands)
{
    const std::vector<RaceCard> race10 = {{u"大井"_s, 10, u"15:00"_s, u"x"_s, u"ID10"_s}};
    const QString first = u"14:16 14:20 14:24 14:28 14:32 14:36 14:40 "_s; // every 4 minutes
    const QString last = u"14:54 14:55 14:56 14:57 14:58 14:59 15:00 15:02 15:04 15:06"_s;
    const struct {
        const char* name;
        QTime start;
        std::vector<RaceCard> cards;
        QString unticked;     // a venue whose box is not ticked
        bool noMiddleOrFinal; // Text5(1) and Text5(2) set to 0
        bool completeAtFirst; // the first fetch reads the whole result
        int seconds;          // ticked after the start
        QString startNext;    // row 1's next time right after the start, null: not checked
        QString fetches;      // "hh:mm/row", or "hh:mm" when every fetch is of row 1
        QString endNext;      // row 1's next time at the end, null: not checked
        QString logged;       // what every line of the log tells; null: nothing told
        int activeRows;       // at the end
        int step = 1;         // seconds from one tick to the next
        int told = 1;         // lines in the log
    } rows[] = {
        // clang-format off
        {"at 13:30: at once, then every 10 minutes", QTime(13, 30), race10, {}, false, false, 20 * 60 + 1, u"13:30"_s,
         u"13:30 13:40 13:50"_s, {}, {}, 1},
        {"exactly an hour before: at once, then every 4 minutes", QTime(14, 0), race10, {}, false, false, 8 * 60 + 1,
         u""_s, u"14:00 14:04 14:08"_s, {}, {}, 1},
        {"every minute from 20 minutes before, every 2 after the post", QTime(14, 15), race10, {}, false, false,
         52 * 60, {},
         first + u"14:41 14:42 14:43 14:44 14:45 14:46 14:47 14:48 14:49 14:50 14:51 14:52 14:53 "_s + last, {}, {}, 1},
        {"started after the post: the 1-minute grid, then every 2", QTime(15, 1, 30), race10, {}, false, false, 5 * 60,
         u"15:02"_s, u"15:02 15:04 15:06"_s, {}, {}, 1},
        {"no middle or final band: every 10 minutes to the post", QTime(14, 25), race10, {}, true, false, 35 * 60 + 1,
         {}, u"14:30 14:40 14:50 15:00"_s, {}, {}, 1},
        {"a complete result stops the row", QTime(15, 1, 30), race10, {}, false, true, 28 * 60 + 30, {}, u"15:02"_s, {},
         {}, 0},
        {"a race still running at midnight is stopped", QTime(23, 57), {{u"大井"_s, 12, u"23:58"_s, u"x"_s, u"ID12"_s}},
         {}, false, false, 6 * 60, {}, u"23:57 23:58"_s, u"23:58"_s, u"past midnight"_s, 0},
        {"an unticked venue is never fetched, but its times move on", QTime(13, 30), {{u"川崎"_s, 1, u"14:00"_s, u"a"_s,
         u"K1"_s}, {u"大井"_s, 1, u"14:10"_s, u"b"_s, u"O1"_s}}, u"川崎"_s, false, false, 20 * 60 + 1, {},
         u"13:30/2 13:34/2 13:38/2 13:42/2 13:46/2 13:50/2"_s, u"13:51"_s, {}, 2},
        {"the second meeting has its own rows", QTime(13, 30), {{u"川崎"_s, 1, u"13:40"_s, u"a"_s, u"K1"_s}, {u"大井"_s, 1,
         u"13:40"_s, u"b"_s, u"O1"_s}}, {}, false, false, 1, {}, u"13:30/1 13:30/2"_s, {}, {}, 2},
        {"a post time that is no time is told once, the other rows go on", QTime(13, 30), {{u"大井"_s, 1, u"1510"_s,
         u"a"_s, u"O1"_s}, {u"大井"_s, 2, u"14:40"_s, u"b"_s, u"O2"_s}}, {}, false, false, 5, {}, u"13:30/2"_s, {},
         u"\"1510\""_s, 1},
        {"a tick after midnight fetches no race of the polled day", QTime(23, 30), {{u"大井"_s, 11, u"23:50"_s, u"x"_s,
         u"ID11"_s}, {u"大井"_s, 12, u"23:55"_s, u"y"_s, u"ID12"_s}}, {}, false, false, 2 * 2400, {}, {}, {},
         u"2025-12-05 is over"_s, 0, 2400, 2},
        // clang-format on
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.name);
        FormState form;
        test::FakeClock clock{QDateTime(QDate(2025, 12, 5), r.start)};
        RecordingRaces races{clock, form};
        races.completeAfter = r.completeAtFirst ? 1 : 0;
        PollCycle poll{form, clock, races};
        GridModel& schedule = form.grid(Grid::VSFlexGrid8);
        fillScheduleGrid(schedule, r.cards);
        for (int box = 0; box < 2; ++box)
            form.setVenueBox(box, {true, box ? u"川崎"_s : u"大井"_s, r.unticked != (box ? u"川崎"_s : u"大井"_s)});
        if (r.noMiddleOrFinal) {
            form.setText(Control::Text5[1], u"0"_s);
            form.setText(Control::Text5[2], u"0"_s);
        }
        poll.Command2_Click();
        if (!r.startNext.isNull()) {
            EXPECT_EQ(schedule.textMatrix(1, ScheduleColumn::NextTime), r.startNext);
            EXPECT_EQ(schedule.textMatrix(1, ScheduleColumn::State),
                      r.start < QTime(15, 0) ? FetchState::kScheduled : FetchState::kStartedBeforeRun);
        }
        for (int i = 0; i < r.seconds; i += r.step) {
            clock.advance(r.step);
            poll.Timer1_Timer();
        }
        QStringList fetches;
        for (const auto& f : races.fetches) {
            fetches << (r.fetches.contains(u'/') ? f.at.left(5) + u"/"_s + QString::number(f.row) : f.at.left(5));
            EXPECT_EQ(f.venue, r.cards[size_t(f.row - 1)].venue);
            EXPECT_EQ(f.race, r.cards[size_t(f.row - 1)].race);
        }
        EXPECT_EQ(fetches.join(u' '), r.fetches);
        if (!r.endNext.isNull()) {
            EXPECT_EQ(schedule.textMatrix(1, ScheduleColumn::NextTime), r.endNext);
        }
        if (r.activeRows == 0) {
            EXPECT_EQ(schedule.textMatrix(1, ScheduleColumn::State), FetchState::kComplete);
            EXPECT_EQ(schedule.textMatrix(1, ScheduleColumn::Countdown), ScheduleValue::kStopped);
        }
        if (r.completeAtFirst) {
            EXPECT_EQ(schedule.textMatrix(1, ScheduleColumn::Payout), ScheduleValue::kPayoutDone);
        }
        EXPECT_EQ(form.fetchLog().size(), r.logged.isNull() ? 0 : r.told) << form.fetchLog().join(u'\n').toStdString();
        EXPECT_EQ(form.fetchLog().filter(r.logged).size(), form.fetchLog().size());
        EXPECT_EQ(poll.activeRows(), r.activeRows);
        EXPECT_TRUE(poll.armed());
        // A new start reopens every stopped row.
        clock.set(QDateTime(QDate(2025, 12, 5), r.start));
        poll.Command2_Click();
        EXPECT_EQ(poll.activeRows(), r.activeRows ? r.activeRows : int(r.cards.size()));
    }
}

// Every race of the first tick is due: a few are asked for at once, the next as each is done.
TEST_F(Polling, ATickAsksForItsRacesAFewAtATime)
{
    std::vector<RaceCard> cards;
    for (int race = 1; race <= 7; ++race)
        cards.push_back({race <= 4 ? u"大井"_s : u"川崎"_s, race, QTime(15, 0).addSecs(race * 600).toString(u"HH:mm"_s),
                         u"x"_s, u"ID"_s});
    day(cards);
    poll.Command2_Click();
    tickFor(1);
    EXPECT_EQ(races.fetches.size(), cards.size());
    EXPECT_EQ(races.mostAhead, size_t(PollCycle::kRacesAsked));
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
