// The day at a glance, kept beside the polling: each race's state for the schedule's colours,
// the figures of the status bar, and the story of every fetch in the fetch log (result in,
// called off, nothing on the page), with a heartbeat every ten minutes of the clock.
#pragma once

#include <map>
#include <optional>

#include <QDateTime>
#include <QObject>
#include <QString>

namespace kazeyomi {

class Clock;
class DayFolders;
class FormState;
class PollCycle;
struct LogEntry;
struct RaceOutcome;

class RaceWatch : public QObject {
    Q_OBJECT
public:
    // A row due within this many seconds is "due soon".
    static constexpr int kDueSoonSeconds = 60;
    static constexpr int kHeartbeatMinutes = 10;
    // The status bar counts the failures of this many minutes.
    static constexpr int kRecentFailureMinutes = 10;

    enum class RowState { Waiting, DueSoon, Fetching, Failing, ResultIn, CalledOff, Stopped };
    struct RowStatus {
        RowState state = RowState::Waiting;
        QDateTime failingSince; // set while the row's fetches fail
        QString lastOutcome;    // "15:21:04  odds 15:20, wrote 11 files"; empty before its first fetch
    };
    struct NextDue {
        int row = 0;
        QString race; // "大井 11R 15:40"
        QString at;   // the next fetch time "hh:mm"
        qint64 seconds = 0;
    };
    struct Totals {
        int races = 0;
        int fetches = 0;
        int oddsLines = 0; // lines appended to the odds history files
        int failures = 0;  // warnings and errors of the fetch log
    };

    RaceWatch(FormState& form, const Clock& clock, PollCycle& poll, const DayFolders& folders,
              QObject* parent = nullptr);

    RowStatus status(int row) const;
    // The race of a ticked venue fetched next; none when nothing is left to poll.
    std::optional<NextDue> nextDue() const;
    // True from the start button on, while a row is still polled.
    bool polling() const;
    QDateTime lastSuccess() const { return m_lastSuccess; }
    int recentFailures() const;
    Totals totals() const;
    // "23 races, 312 fetches, 2808 odds lines written, 4 failures"
    QString summary() const;
    QDateTime now() const;
    // The horses' names by number where the race's card is known; empty otherwise.
    std::map<int, QString> runnerNames(const QString& venue, int race) const;
    // The day's history database, where the chart reads a race's odds back.
    QString historyPath() const;

Q_SIGNALS:
    // After each tick and each fetch: the window redraws what it shows of the day.
    void changed();
    // After each cycle of a race, its history written.
    void raceCycled(const QString& venue, int race);

private:
    void raceFetched(const RaceOutcome& outcome);
    void tickFinished();
    void heartbeat();

    struct Record {
        QDateTime failingSince;
        QString lastOutcome;
        bool resultIn = false;
    };

    FormState& m_form;
    const Clock& m_clock;
    PollCycle& m_poll;
    const DayFolders& m_folders;
    std::map<int, Record> m_rows;
    std::map<QString, QString> m_lastProblem; // by race label: the last warning logged for it
    QDateTime m_lastSuccess;
    QDateTime m_lastHeartbeat;
    bool m_started = false;
    int m_fetches = 0;
    int m_oddsLines = 0;
};

} // namespace kazeyomi
