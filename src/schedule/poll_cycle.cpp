#include "schedule/poll_cycle.h"

#include "schedule/fetch_times.h"
#include "schedule/schedule_grid.h"
#include "shell/clock.h"
#include "shell/form_state.h"
#include "shell/grid_layouts.h"

namespace kazeyomi {

using namespace Qt::StringLiterals;

namespace {

constexpr int kTickMs = 1000;

void clearMarks(GridModel& schedule, int row)
{
    schedule.setTextMatrix(row, ScheduleColumn::Countdown, u"停止"_s);
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

void PollCycle::setAside(int row, const QString& why)
{
    const GridModel& schedule = m_form.grid(kScheduleGrid);
    const QString message = u"row %1 (%2 %3R): %4; the row is not polled until 開始 is pressed again"_s.arg(row)
                                .arg(schedule.textMatrix(row, ScheduleColumn::Venue))
                                .arg(schedule.textMatrix(row, ScheduleColumn::Race))
                                .arg(why);
    if (m_setAside[row] != message)
        m_form.log(message);
    m_setAside[row] = message;
}

bool PollCycle::computeNextTime(int row, const QDateTime& t0, bool startRun)
{
    GridModel& schedule = m_form.grid(kScheduleGrid);
    const QString post = schedule.textMatrix(row, ScheduleColumn::PostTime);
    const auto s = secondsUntil(t0, post);
    if (!s) {
        setAside(row, u"the post time \"%1\" is not a time hh:mm"_s.arg(post));
        return false;
    }
    const IntervalChoice choice = chooseInterval(m_form, *s, startRun);
    if (!choice.error.isEmpty()) {
        setAside(row, choice.error);
        return false;
    }
    if (choice.minutes)
        schedule.setTextMatrix(row, ScheduleColumn::NextTime, nextFetchTime(*todayAt(t0, post), *s, *choice.minutes));
    if (startRun && choice.raceStarted) {
        const int state = schedule.textMatrix(row, ScheduleColumn::State).toInt();
        schedule.setTextMatrix(row, ScheduleColumn::State, QString::number(state + 1));
    }
    return true;
}

void PollCycle::Command2_Click()
{
    const QDateTime t0 = m_clock.now();
    m_setAside.clear();
    GridModel& schedule = m_form.grid(kScheduleGrid);
    for (int r = 1; r < schedule.rows(); ++r) {
        m_form.currentRow = r;
        schedule.setTextMatrix(r, ScheduleColumn::State, u"0"_s);
        if (schedule.textMatrix(r, ScheduleColumn::Venue).isEmpty()) {
            clearMarks(schedule, r);
            continue;
        }
        computeNextTime(r, t0, true);
    }
    arm();
}

void PollCycle::Timer1_Timer()
{
    // A start run during a fetch re-arms the timer; a tick never runs inside another.
    if (m_inTick)
        return;
    m_inTick = true;
    m_timer.stop();
    m_form.setTimer1Interval(0);
    const QDateTime t0 = m_clock.now();
    GridModel& schedule = m_form.grid(kScheduleGrid);
    for (int r = 1; r < schedule.rows(); ++r) {
        m_form.currentRow = r;
        bool isNumber = false;
        const QString stateText = schedule.textMatrix(r, ScheduleColumn::State);
        const double state = stateText.trimmed().toDouble(&isNumber);
        if (isNumber && state >= 2) {
            schedule.setTextMatrix(r, ScheduleColumn::Countdown, u"停止"_s);
            schedule.setTextMatrix(r, ScheduleColumn::Payout, u"1"_s);
            continue;
        }
        if (m_setAside.count(r))
            continue;
        if (!isNumber) {
            setAside(r, u"the fetch state \"%1\" is not a number"_s.arg(stateText));
            continue;
        }
        const QString next = schedule.textMatrix(r, ScheduleColumn::NextTime);
        // A start exactly an hour before the post leaves no next time; that moment is on
        // every grid, so the row is due at once rather than never.
        const auto d = next.isEmpty() ? std::optional<qint64>(-1) : secondsUntil(t0, next);
        if (!d) {
            setAside(r, u"the next fetch time \"%1\" is not a time hh:mm"_s.arg(next));
            continue;
        }
        schedule.setTextMatrix(r, ScheduleColumn::Countdown, QString::number(*d));
        if (*d >= 0)
            continue;
        const QString venue = schedule.textMatrix(r, ScheduleColumn::Venue);
        if (venue.isEmpty()) {
            clearMarks(schedule, r);
            continue;
        }
        if (DounChk(venue) == 1)
            Q_EMIT raceFetched(m_races.Race_get(venue, schedule.textMatrix(r, ScheduleColumn::Race).toInt(), r));
        schedule.setTextMatrix(r, ScheduleColumn::Payout, QString());
        computeNextTime(r, t0, false);
    }
    m_inTick = false;
    arm();
    Q_EMIT tickFinished();
}

int PollCycle::activeRows() const
{
    const GridModel& schedule = m_form.grid(kScheduleGrid);
    int active = 0;
    for (int r = 1; r < schedule.rows(); ++r)
        if (schedule.textMatrix(r, ScheduleColumn::State).toDouble() < 2 && !m_setAside.count(r)
            && !schedule.textMatrix(r, ScheduleColumn::Venue).isEmpty())
            ++active;
    return active;
}

} // namespace kazeyomi
