#include "session/race_watch.h"

#include <QDir>

#include "foundation/clock.h"
#include "foundation/day_folders.h"
#include "foundation/event_log.h"
#include "foundation/form_state.h"
#include "foundation/grid_layouts.h"
#include "history/history_database.h"
#include "racecards/runner_names.h"
#include "schedule/fetch_times.h"
#include "schedule/poll_cycle.h"
#include "schedule/schedule_grid.h"

namespace kazeyomi {

using namespace Qt::StringLiterals;

namespace {

QString rowLabel(const GridModel& schedule, int row)
{
    return raceLabel(schedule.textMatrix(row, ScheduleColumn::Venue),
                     schedule.textMatrix(row, ScheduleColumn::Race).toInt(),
                     schedule.textMatrix(row, ScheduleColumn::PostTime));
}

bool stopsPolling(const GridModel& schedule, int row)
{
    bool isNumber = false;
    const double state = schedule.textMatrix(row, ScheduleColumn::State).trimmed().toDouble(&isNumber);
    return isNumber && state >= FetchState::kStopsPolling;
}

QString minutesSeconds(qint64 seconds)
{
    return u"%1:%2"_s.arg(seconds / 60).arg(seconds % 60, 2, 10, QLatin1Char('0'));
}

} // namespace

RaceWatch::RaceWatch(FormState& form, const Clock& clock, PollCycle& poll, const DayFolders& folders, QObject* parent)
    : QObject(parent), m_form(form), m_clock(clock), m_poll(poll), m_folders(folders)
{
    connect(&m_poll, &PollCycle::raceFetched, this, &RaceWatch::raceFetched);
    connect(&m_poll, &PollCycle::tickFinished, this, &RaceWatch::tickFinished);
    connect(&m_form, &FormState::timer1IntervalChanged, this, [this](int ms) {
        if (ms > 0 && !m_started) {
            m_started = true;
            m_lastHeartbeat = now();
        }
    });
    connect(&m_form.events(), &EventLog::added, this, [this](const LogEntry& entry) {
        if (entry.level >= LogLevel::Warning && !entry.race.isEmpty())
            m_lastProblem[entry.race] = entry.text;
    });
}

QDateTime RaceWatch::now() const
{
    return m_clock.now();
}

std::map<int, QString> RaceWatch::runnerNames(const QString& venue, int race) const
{
    return kazeyomi::runnerNames(m_form, m_folders.cardFolder(), venue, race);
}

RaceWatch::RowStatus RaceWatch::status(int row) const
{
    RowStatus status;
    const GridModel& schedule = m_form.grid(Grid::VSFlexGrid8);
    if (row < 1 || row >= schedule.rows())
        return status;
    const auto record = m_rows.find(row);
    if (record != m_rows.end()) {
        status.failingSince = record->second.failingSince;
        status.lastOutcome = record->second.lastOutcome;
    }
    const QString countdown = schedule.textMatrix(row, ScheduleColumn::Countdown);
    bool isNumber = false;
    const qint64 seconds = countdown.toLongLong(&isNumber);
    if (schedule.rowShownSelected() && schedule.row() == row)
        status.state = RowState::Fetching;
    else if (schedule.textMatrix(row, ScheduleColumn::Mark6) == ScheduleValue::kCalledOff)
        status.state = RowState::CalledOff;
    else if (stopsPolling(schedule, row))
        status.state = record != m_rows.end() && record->second.resultIn ? RowState::ResultIn : RowState::Stopped;
    else if (countdown == ScheduleValue::kStopped)
        status.state = RowState::Stopped;
    else if (status.failingSince.isValid())
        status.state = RowState::Failing;
    else if (isNumber && seconds <= kDueSoonSeconds && m_poll.DounChk(schedule.textMatrix(row, ScheduleColumn::Venue)))
        status.state = RowState::DueSoon;
    return status;
}

std::optional<RaceWatch::NextDue> RaceWatch::nextDue() const
{
    const GridModel& schedule = m_form.grid(Grid::VSFlexGrid8);
    const QDateTime t0 = now();
    std::optional<NextDue> next;
    for (int r = 1; r < schedule.rows(); ++r) {
        const QString venue = schedule.textMatrix(r, ScheduleColumn::Venue);
        if (venue.isEmpty() || stopsPolling(schedule, r) || !m_poll.DounChk(venue))
            continue;
        const QString at = schedule.textMatrix(r, ScheduleColumn::NextTime);
        const auto seconds = secondsUntil(t0, at);
        if (!seconds)
            continue;
        if (!next || *seconds < next->seconds)
            next = NextDue{r, rowLabel(schedule, r), at, *seconds};
    }
    return next;
}

bool RaceWatch::polling() const
{
    return m_started && m_poll.activeRows() > 0;
}

int RaceWatch::recentFailures() const
{
    return m_form.events().countSince(LogLevel::Warning, now().addSecs(-60 * kRecentFailureMinutes));
}

RaceWatch::Totals RaceWatch::totals() const
{
    Totals totals;
    const GridModel& schedule = m_form.grid(Grid::VSFlexGrid8);
    for (int r = 1; r < schedule.rows(); ++r)
        totals.races += schedule.textMatrix(r, ScheduleColumn::Venue).isEmpty() ? 0 : 1;
    totals.fetches = m_fetches;
    totals.oddsLines = m_oddsLines;
    totals.failures = m_form.events().count(LogLevel::Warning);
    return totals;
}

QString RaceWatch::summary() const
{
    const Totals t = totals();
    return u"%1 races, %2 fetches, %3 odds lines written, %4 failures"_s.arg(t.races)
        .arg(t.fetches)
        .arg(t.oddsLines)
        .arg(t.failures);
}

void RaceWatch::raceFetched(const RaceOutcome& outcome)
{
    const GridModel& schedule = m_form.grid(Grid::VSFlexGrid8);
    const QDateTime t = now();
    const QString stamp = t.toString(u"HH:mm:ss"_s);
    QString label = raceLabel(outcome.venue, outcome.race);
    if (outcome.row >= 1 && outcome.row < schedule.rows())
        label = rowLabel(schedule, outcome.row);
    ++m_fetches;
    int lines = 0;
    for (const QString& extension : outcome.written)
        lines += extension == u".sei" || extension == u".jyun" ? 0 : 1;
    m_oddsLines += lines;

    Record& record = m_rows[outcome.row];
    const bool calledOff = outcome.row >= 1 && outcome.row < schedule.rows() &&
                           schedule.textMatrix(outcome.row, ScheduleColumn::Mark6) == ScheduleValue::kCalledOff;
    if (!outcome.ok()) {
        if (!record.failingSince.isValid())
            record.failingSince = t;
        const auto problem = m_lastProblem.find(label);
        record.lastOutcome =
            stamp + u"  "_s + (problem != m_lastProblem.end() ? problem->second : outcome.failures.join(u"; "_s));
    } else {
        record.failingSince = {};
        m_lastSuccess = t;
        const QString odds = m_form.text(u"Text9"_s);
        record.lastOutcome =
            stamp + u"  "_s +
            (outcome.stopped.isEmpty() ? u"odds %1, wrote %2 files"_s.arg(odds).arg(outcome.written.size())
                                       : u"nothing written: "_s + outcome.stopped);
        if (!outcome.stopped.isEmpty() && !calledOff)
            m_form.log(LogLevel::Info, u"nothing written: "_s + outcome.stopped, label);
        else if (outcome.stopped.isEmpty())
            m_form.log(LogLevel::Info, u"odds %1: wrote %2 files"_s.arg(odds).arg(outcome.written.size()), label);
    }
    if (calledOff) {
        m_form.log(LogLevel::Info, u"called off (取止): no more fetches"_s, label);
    } else if (outcome.row >= 1 && outcome.row < schedule.rows() && stopsPolling(schedule, outcome.row) &&
               !record.resultIn) {
        record.resultIn = true;
        m_form.log(LogLevel::Info, u"result in (確定): no more fetches"_s, label);
    }
    Q_EMIT changed();
    Q_EMIT raceCycled(outcome.venue, outcome.race);
}

QString RaceWatch::historyPath() const
{
    return QDir(m_folders.oddsFolder()).filePath(kHistoryFileName);
}

void RaceWatch::tickFinished()
{
    if (m_started && now() >= m_lastHeartbeat.addSecs(60 * kHeartbeatMinutes))
        heartbeat();
    Q_EMIT changed();
}

void RaceWatch::heartbeat()
{
    m_lastHeartbeat = now();
    QString text = u"polling %1 races"_s.arg(m_poll.activeRows());
    if (const auto next = nextDue())
        text += u"; next %1 at %2 (%3)"_s.arg(
            next->race, next->at, next->seconds <= 0 ? u"due now"_s : u"in "_s + minutesSeconds(next->seconds));
    text += u"; so far "_s + summary();
    m_form.log(LogLevel::Info, text);
}

} // namespace kazeyomi
