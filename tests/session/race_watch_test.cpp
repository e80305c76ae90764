// The story of a polled day in the fetch log: each failure once, named by its race and its
// page rather than an address; a heartbeat every ten minutes of the clock; the day's totals.
#include "session/race_watch.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

#include "foundation/day_folders.h"
#include "foundation/event_log.h"
#include "foundation/form_state.h"
#include "foundation/grid_layouts.h"
#include "schedule/poll_cycle.h"
#include "schedule/schedule_grid.h"
#include "support/fake_clock.h"

using namespace kazeyomi;
using namespace Qt::StringLiterals;

namespace {

// 大井's fetches write three odds lines and the result files; 川崎's page never comes, and
// the fetcher reports it by its address, as the page fetcher does.
class ScriptedRaces final : public RaceFetcher {
public:
    explicit ScriptedRaces(FormState& form) : m_form(form) {}
    std::map<QString, int> fetches;

    RaceOutcome Race_get(const QString& venue, int n, int row) override
    {
        ++fetches[venue];
        RaceOutcome outcome{venue, n, row, {}, {}, {}};
        const QString url = u"https://site.test/odds/KW0101.do"_s;
        const LoggedRace logged(m_form.events(), raceLabel(venue, n, u"15:00"_s),
                                {{url, u"the win/place odds page"_s}});
        if (venue == u"川崎") {
            m_form.log(url + u": HTTP status 404"_s);
            outcome.failures << u"win/place odds: "_s + url + u": HTTP status 404"_s;
            outcome.stopped = u"the win/place odds page did not come"_s;
        } else {
            outcome.written = {u".sei"_s, u".jyun"_s, u".tanA"_s, u".Fuk1"_s, u".Fuk2"_s};
        }
        return outcome;
    }

private:
    FormState& m_form;
};

} // namespace

TEST(RaceWatch, TellsEachFailureOnceBeatsEveryTenMinutesAndCountsTheDay)
{
    FormState form;
    test::FakeClock clock{QDateTime(QDate(2025, 12, 5), QTime(13, 30))};
    form.setLogClock(&clock);
    QTemporaryDir base;
    const DayFolders folders(base.path(), clock);
    ScriptedRaces races(form);
    PollCycle poll(form, clock, races);
    const RaceWatch watch(form, clock, poll, folders);
    fillScheduleGrid(form.grid(Grid::VSFlexGrid8),
                     {{u"大井"_s, 1, u"15:00"_s, u"C1"_s, u"OI01"_s}, {u"川崎"_s, 1, u"15:00"_s, u"C2"_s, u"KW01"_s}});
    form.setVenueBox(0, {true, u"大井"_s, true});
    form.setVenueBox(1, {true, u"川崎"_s, true});

    poll.Command2_Click();
    while (clock.now().time() < QTime(14, 5)) {
        clock.advance(15);
        poll.Timer1_Timer();
    }

    QStringList failures;
    QStringList heartbeats;
    for (const LogEntry& entry : form.events().entries()) {
        EXPECT_FALSE(entry.text.contains(u"https://"_s)) << entry.line().toStdString();
        if (entry.level == LogLevel::Warning)
            failures << entry.line();
        if (entry.text.startsWith(u"polling "_s))
            heartbeats << entry.line();
    }
    ASSERT_EQ(failures.size(), races.fetches[u"川崎"_s]);
    EXPECT_EQ(failures[0], u"13:30:15  川崎 1R 15:00  the win/place odds page: HTTP status 404"_s);
    ASSERT_EQ(heartbeats.size(), 3); // 13:40, 13:50, 14:00
    EXPECT_EQ(heartbeats[0], u"13:40:00  polling 2 races; next 大井 1R 15:00 at 13:40 (due now); so far 2 races, "
                             "2 fetches, 3 odds lines written, 1 failures"_s);
    EXPECT_EQ(watch.status(2).failingSince, QDateTime(QDate(2025, 12, 5), QTime(13, 30, 15)));
    EXPECT_EQ(watch.status(1).lastOutcome, u"14:04:15  odds Text9, wrote 5 files"_s);
    EXPECT_EQ(watch.summary(), u"2 races, %1 fetches, %2 odds lines written, %3 failures"_s
                                   .arg(races.fetches[u"大井"_s] + races.fetches[u"川崎"_s])
                                   .arg(3 * races.fetches[u"大井"_s])
                                   .arg(races.fetches[u"川崎"_s]));
}
