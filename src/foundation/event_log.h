// The fetch log as entries with a time, a level and the race they concern: every subsystem adds
// to it, the window shows it newest first in List1 and the headless mode prints it on stderr.
#pragma once

#include <deque>
#include <utility>
#include <vector>

#include <QDateTime>
#include <QObject>
#include <QString>

namespace kazeyomi {

class Clock;

enum class LogLevel { Info, Warning, Error };

// "INFO", "WARN", "ERROR": the level as the headless mode prints it.
QString levelName(LogLevel level);

// "大井 11R 15:40": how the log names a race; without a post time, "大井 11R".
QString raceLabel(const QString& venue, int race, const QString& postTime = {});

struct LogEntry {
    QDateTime time;
    LogLevel level = LogLevel::Info;
    QString race; // raceLabel() of the race it concerns, or empty
    QString text;
    // "15:21:04  大井 11R 15:40  text"
    QString line() const;
};

class EventLog : public QObject {
    Q_OBJECT
public:
    explicit EventLog(QObject* parent = nullptr);

    void setClock(const Clock* clock) { m_clock = clock; }
    // Without a race, an entry added while a race is fetched concerns that race.
    void add(LogLevel level, const QString& text, const QString& race = {});
    const std::deque<LogEntry>& entries() const { return m_entries; }
    // Entries of `level` or worse since `since` (the status bar's failures of the last minutes).
    int countSince(LogLevel level, const QDateTime& since) const;
    int count(LogLevel level) const;

    // While a race is fetched its lines name it, and the addresses of its pages read as the
    // pages' names: the user knows "the win/place odds page", not a URL cut at the edge.
    void beginRace(const QString& race, std::vector<std::pair<QString, QString>> pageNames);
    void endRace();
    const QString& raceInProgress() const { return m_race; }

Q_SIGNALS:
    void added(const LogEntry& entry);

private:
    QString readable(QString text) const;

    const Clock* m_clock = nullptr;
    std::deque<LogEntry> m_entries;
    QString m_race;
    std::vector<std::pair<QString, QString>> m_pageNames; // longest address first
    int m_counts[3] = {};
};

// Names the race in the log for as long as it lives, whichever way the fetch ends.
class LoggedRace {
public:
    LoggedRace(EventLog& log, const QString& race, std::vector<std::pair<QString, QString>> pageNames) : m_log(log)
    {
        m_log.beginRace(race, std::move(pageNames));
    }
    ~LoggedRace() { m_log.endRace(); }
    LoggedRace(const LoggedRace&) = delete;
    LoggedRace& operator=(const LoggedRace&) = delete;

private:
    EventLog& m_log;
};

} // namespace kazeyomi
