#include "schedule/poll_cycle.h"

#include "fetch/http_page_source.h"
#include "foundation/clock.h"
#include "foundation/form_state.h"
#include "foundation/grid_layouts.h"
#include "schedule/fetch_times.h"
#include "schedule/schedule_grid.h"

namespace kazeyomi {

static_assert(PollCycle::kRacesAsked <= HttpPageSource::kConnectionPools,
              "a race asks for six pages at once, a pool keeps six connections");

using namespace Qt::StringLiterals;

namespace {

constexpr int kTickMs = 1000;

void clearMarks(GridModel& schedule, int row)
{
    schedule.setTextMatrix(row, ScheduleColumn::Countdown, ScheduleValue::kStopped);
    for (int c : {ScheduleColumn::Mark6, ScheduleColumn::Mark7, ScheduleColumn::Mark8, ScheduleColumn::Payout})
        schedule.setTextMatrix(row, c, QString());
}

} // namespace

PollCycle::PollCycle(FormState& form, const Clock& clock, RaceFetcher& races, QObject* parent)
    : QObject(parent), m_form(form), m_clock(clock), m_races(races)
{
    m_timer.setSingleShot(true);
    connect(&m_timer, &QTimer::timeout, this, &PollCycle::Timer1_Timer);
}

void PollCycle::arm()
{
    m_timer.start(kTickMs);
    m_form.setTimer1Interval(kTickMs);
}

int PollCycle::DounChk(const QString& chkba) const
{
    // A venue listed twice in the meeting list has two boxes; either one ticked will do.
    for (int i = 0; i < FormState::kVenueBoxes; ++i) {
        const auto& box = m_form.venueBox(i);
        if (box.checked && box.caption == chkba)
            return 1;
    }
    return 0;
}

QString PollCycle::rowName(int row) const
{
    const GridModel& schedule = m_form.grid(Grid::VSFlexGrid8);
    return u"row %1 (%2 %3R)"_s.arg(row)
        .arg(schedule.textMatrix(row, ScheduleColumn::Venue))
        .arg(schedule.textMatrix(row, ScheduleColumn::Race));
}

void PollCycle::setAside(int row, const QString& why)
{
    const QString message = u"%1: %2; the row is not polled until 開始 is pressed again"_s.arg(rowName(row)).arg(why);
    if (m_setAside[row] != message)
        m_form.log(message);
    m_setAside[row] = message;
}

void PollCycle::stopRow(int row, const QString& why)
{
    GridModel& schedule = m_form.grid(Grid::VSFlexGrid8);
    schedule.setTextMatrix(row, ScheduleColumn::State, FetchState::kComplete);
    schedule.setTextMatrix(row, ScheduleColumn::Countdown, ScheduleValue::kStopped);
    schedule.setTextMatrix(row, ScheduleColumn::Payout, ScheduleValue::kPayoutDone);
    // A race stopped by the day's end is part of the day, not a failure.
    m_form.log(LogLevel::Info, u"%1: %2; the row is stopped"_s.arg(rowName(row), why));
}

void PollCycle::reportFailure(int row, const QString& what)
{
    QString message = u"row %1: %2"_s.arg(row).arg(what);
    try {
        message = u"%1: %2"_s.arg(rowName(row), what);
    } catch (const std::exception&) {
        // The row cannot even be named: the plain number will do.
    }
    if (m_failures[row] != message)
        m_form.log(message);
    m_failures[row] = message;
}

void PollCycle::reportIntervalProblems()
{
    for (const QString& problem : m_intervalProblems)
        if (!m_intervalProblemsReported.count(problem))
            m_form.log(problem + u"; the races due wait until it is corrected"_s);
    m_intervalProblemsReported = std::move(m_intervalProblems);
    m_intervalProblems.clear();
}

bool PollCycle::fetchInProgress() const
{
    return m_races.busy() || (m_fetchInProgress && m_fetchInProgress());
}

bool PollCycle::computeNextTime(int row, const QDateTime& t0, bool startRun)
{
    GridModel& schedule = m_form.grid(Grid::VSFlexGrid8);
    const QString post = schedule.textMatrix(row, ScheduleColumn::PostTime);
    const auto s = secondsUntil(t0, post);
    if (!s) {
        setAside(row, u"the post time \"%1\" is not a time hh:mm"_s.arg(post));
        return false;
    }
    const IntervalChoice choice = chooseInterval(m_form, *s, startRun);
    if (startRun && choice.raceStarted) {
        const int state = schedule.textMatrix(row, ScheduleColumn::State).toInt();
        schedule.setTextMatrix(row, ScheduleColumn::State, QString::number(state + 1));
    }
    if (!choice.error.isEmpty()) {
        // The user may be typing: the row stays due and is planned once the box reads well.
        m_intervalProblems.insert(choice.error);
        if (startRun)
            schedule.setTextMatrix(row, ScheduleColumn::NextTime, QString());
        return false;
    }
    if (!choice.minutes)
        return true;
    const QDateTime postAt = *todayAt(t0, post);
    const QDateTime next = nextFetchAt(postAt, *s, *choice.minutes);
    // A fetch on the next day would read that day's folders and, with today's date put to
    // its time, be due on every tick: the racing day ends at midnight.
    if (next.date() != postAt.date()) {
        stopRow(row, u"the next fetch time %1 is past midnight"_s.arg(next.toString(u"HH:mm"_s)));
        return false;
    }
    schedule.setTextMatrix(row, ScheduleColumn::NextTime, next.toString(u"HH:mm"_s));
    return true;
}

void PollCycle::startRow(int r, const QDateTime& t0)
{
    GridModel& schedule = m_form.grid(Grid::VSFlexGrid8);
    m_form.race.row = r;
    schedule.setTextMatrix(r, ScheduleColumn::State, FetchState::kScheduled);
    if (schedule.textMatrix(r, ScheduleColumn::Venue).isEmpty()) {
        clearMarks(schedule, r);
        return;
    }
    computeNextTime(r, t0, true);
}

void PollCycle::Command2_Click()
{
    const QDateTime t0 = m_clock.now();
    m_day = t0.date();
    m_setAside.clear();
    m_failures.clear();
    m_intervalProblemsReported.clear();
    for (int r = 1; r < m_form.grid(Grid::VSFlexGrid8).rows(); ++r) {
        try {
            startRow(r, t0);
        } catch (const std::exception& e) {
            reportFailure(r, QString::fromLocal8Bit(e.what()));
        }
    }
    reportIntervalProblems();
    arm();
}

struct PollCycle::RowTurn {
    enum Kind {
        Stopped,         // polling ended: shown stopped
        LeftAside,       // set aside until the next start
        BadState,        // the fetch state is not a number
        DayOver,         // the racing day polled has passed
        BadNextTime,     // the next fetch time is not a time
        NotDue,          // the countdown is written; nothing else
        NoVenue,         // an empty row: its marks are cleared
        Busy,            // another fetch is in progress: due again at the next tick
        IntervalProblem, // an interval box cannot be used: due again once it can
        Unticked,        // due, but the venue is not ticked: only the times move on
        Fetch,           // due and ticked: the race is fetched
    };
    Kind kind = Stopped;
    qint64 d = 0;  // seconds until the next fetch time, from NotDue on
    QString text;  // the bad text or the interval problem
    QString venue; // from NoVenue on
};

PollCycle::RowTurn PollCycle::turnOf(int r, const QDateTime& t0) const
{
    const GridModel& schedule = m_form.grid(Grid::VSFlexGrid8);
    RowTurn turn;
    bool isNumber = false;
    turn.text = schedule.textMatrix(r, ScheduleColumn::State);
    const double state = turn.text.trimmed().toDouble(&isNumber);
    if (isNumber && state >= FetchState::kStopsPolling)
        return turn;
    turn.kind = m_setAside.count(r) ? RowTurn::LeftAside : RowTurn::BadState;
    if (m_setAside.count(r) || !isNumber)
        return turn;
    turn.venue = schedule.textMatrix(r, ScheduleColumn::Venue);
    // After midnight the day's remaining races are over; their files must not go into the
    // next day's folders.
    if (m_day.isValid() && t0.date() > m_day && !turn.venue.isEmpty()) {
        turn.kind = RowTurn::DayOver;
        return turn;
    }
    turn.text = schedule.textMatrix(r, ScheduleColumn::NextTime);
    // A start exactly an hour before the post leaves no next time; that moment is on
    // every grid, so the row is due at once rather than never.
    const auto d = turn.text.isEmpty() ? std::optional<qint64>(-1) : secondsUntil(t0, turn.text);
    if (!d) {
        turn.kind = RowTurn::BadNextTime;
        return turn;
    }
    turn.d = *d;
    turn.kind = turn.d >= 0 ? RowTurn::NotDue : turn.venue.isEmpty() ? RowTurn::NoVenue : RowTurn::Fetch;
    if (turn.kind != RowTurn::Fetch)
        return turn;
    // A tick inside another fetch (a test button's, say) would lose this row's fetch: the
    // row stays due and is fetched at the next tick.
    if (fetchInProgress()) {
        turn.kind = RowTurn::Busy;
        return turn;
    }
    // The interval is checked before the fetch, so that a box being edited holds the row
    // due instead of fetching it on every tick.
    if (const auto s = secondsUntil(t0, schedule.textMatrix(r, ScheduleColumn::PostTime))) {
        if (const IntervalChoice choice = chooseInterval(m_form, *s, false); !choice.error.isEmpty()) {
            turn.kind = RowTurn::IntervalProblem;
            turn.text = choice.error;
            return turn;
        }
    }
    if (DounChk(turn.venue) != 1)
        turn.kind = RowTurn::Unticked;
    return turn;
}

void PollCycle::askAhead(const QDateTime& t0)
{
    const int rows = m_form.grid(Grid::VSFlexGrid8).rows();
    for (; m_nextToAsk < rows && int(m_askedAhead.size()) < kRacesAsked; ++m_nextToAsk) {
        const int r = m_nextToAsk;
        try {
            if (const RowTurn turn = turnOf(r, t0); turn.kind == RowTurn::Fetch) {
                m_races.prefetchRace(turn.venue, r);
                m_askedAhead.insert(r);
            }
        } catch (const std::exception&) {
            // The tick reports it when it comes to the row.
        }
    }
}

void PollCycle::tickRow(int r, const QDateTime& t0)
{
    GridModel& schedule = m_form.grid(Grid::VSFlexGrid8);
    m_form.race.row = r;
    const RowTurn turn = turnOf(r, t0);
    switch (turn.kind) {
    case RowTurn::Stopped:
        schedule.setTextMatrix(r, ScheduleColumn::Countdown, ScheduleValue::kStopped);
        schedule.setTextMatrix(r, ScheduleColumn::Payout, ScheduleValue::kPayoutDone);
        return;
    case RowTurn::LeftAside:
        return;
    case RowTurn::BadState:
        setAside(r, u"the fetch state \"%1\" is not a number"_s.arg(turn.text));
        return;
    case RowTurn::DayOver:
        stopRow(r, u"the racing day %1 is over"_s.arg(m_day.toString(u"yyyy-MM-dd"_s)));
        return;
    case RowTurn::BadNextTime:
        setAside(r, u"the next fetch time \"%1\" is not a time hh:mm"_s.arg(turn.text));
        return;
    default:
        break;
    }
    schedule.setTextMatrix(r, ScheduleColumn::Countdown, QString::number(turn.d));
    switch (turn.kind) {
    case RowTurn::NoVenue:
        clearMarks(schedule, r);
        return;
    case RowTurn::IntervalProblem:
        m_intervalProblems.insert(turn.text);
        return;
    case RowTurn::Fetch: {
        const int race = schedule.textMatrix(r, ScheduleColumn::Race).toInt();
        RaceOutcome outcome;
        try {
            outcome = m_races.Race_get(turn.venue, race, r);
        } catch (const std::exception& e) {
            outcome.venue = turn.venue;
            outcome.race = race;
            outcome.row = r;
            outcome.failures << u"the fetch failed: %1"_s.arg(QString::fromLocal8Bit(e.what()));
            m_form.log(u"%1: %2"_s.arg(rowName(r), outcome.failures.back()));
        }
        Q_EMIT raceFetched(outcome);
        break;
    }
    case RowTurn::Unticked:
        break;
    default: // not due, or due at the next tick
        return;
    }
    schedule.setTextMatrix(r, ScheduleColumn::Payout, QString());
    computeNextTime(r, t0, false);
    m_failures.erase(r);
}

void PollCycle::Timer1_Timer()
{
    // A start run during a fetch re-arms the timer; a tick never runs inside another, and the
    // tick it interrupted re-arms the timer when it ends.
    if (m_inTick)
        return;
    m_inTick = true;
    m_timer.stop();
    m_form.setTimer1Interval(0);
    const QDateTime t0 = m_clock.now();
    // The races are then fetched in the rows' order, each as its pages arrive; a row the tick
    // no longer fetches when it comes to it (a start run during a wait) leaves its pages.
    m_askedAhead.clear();
    m_nextToAsk = 1;
    askAhead(t0);
    for (int r = 1; r < m_form.grid(Grid::VSFlexGrid8).rows(); ++r) {
        try {
            tickRow(r, t0);
        } catch (const std::exception& e) {
            reportFailure(r, QString::fromLocal8Bit(e.what()));
        }
        // The race done gives its place to the next one due.
        if (m_askedAhead.erase(r))
            askAhead(t0);
    }
    m_races.dropPrefetched();
    m_askedAhead.clear();
    reportIntervalProblems();
    m_inTick = false;
    arm();
    Q_EMIT tickFinished();
}

int PollCycle::activeRows() const
{
    const GridModel& schedule = m_form.grid(Grid::VSFlexGrid8);
    int active = 0;
    for (int r = 1; r < schedule.rows(); ++r)
        if (schedule.textMatrix(r, ScheduleColumn::State).toDouble() < FetchState::kStopsPolling &&
            !m_setAside.count(r) && !schedule.textMatrix(r, ScheduleColumn::Venue).isEmpty())
            ++active;
    return active;
}

} // namespace kazeyomi
