#include "foundation/event_log.h"

#include <algorithm>

#include "foundation/clock.h"

namespace kazeyomi {

using namespace Qt::StringLiterals;

namespace {

// A whole day of polling stays in memory; the oldest entries go first.
constexpr size_t kMaxEntries = 20000;

} // namespace

QString levelName(LogLevel level)
{
    switch (level) {
    case LogLevel::Info:
        return u"INFO"_s;
    case LogLevel::Warning:
        return u"WARN"_s;
    case LogLevel::Error:
        return u"ERROR"_s;
    }
    return {};
}

QString raceLabel(const QString& venue, int race, const QString& postTime)
{
    QString label = u"%1 %2R"_s.arg(venue).arg(race);
    if (!postTime.trimmed().isEmpty())
        label += u' ' + postTime.trimmed();
    return label;
}

QString LogEntry::line() const
{
    QString out = time.isValid() ? time.toString(u"HH:mm:ss"_s) + u"  "_s : QString();
    if (!race.isEmpty())
        out += race + u"  "_s;
    return out + text;
}

EventLog::EventLog(QObject* parent) : QObject(parent) {}

QString EventLog::readable(QString text) const
{
    for (const auto& [url, name] : m_pageNames)
        text.replace(url, name);
    return text;
}

void EventLog::add(LogLevel level, const QString& text, const QString& race)
{
    LogEntry entry;
    entry.time = m_clock ? m_clock->now() : QDateTime();
    entry.level = level;
    entry.race = race.isEmpty() ? m_race : race;
    entry.text = readable(text);
    if (m_entries.size() >= kMaxEntries)
        m_entries.pop_front();
    m_entries.push_back(entry);
    ++m_counts[int(level)];
    Q_EMIT added(m_entries.back());
}

int EventLog::countSince(LogLevel level, const QDateTime& since) const
{
    int n = 0;
    for (auto it = m_entries.rbegin(); it != m_entries.rend() && it->time >= since; ++it)
        n += it->level >= level ? 1 : 0;
    return n;
}

int EventLog::count(LogLevel level) const
{
    int n = 0;
    for (int l = int(level); l <= int(LogLevel::Error); ++l)
        n += m_counts[l];
    return n;
}

void EventLog::beginRace(const QString& race, std::vector<std::pair<QString, QString>> pageNames)
{
    m_race = race;
    m_pageNames = std::move(pageNames);
    std::sort(m_pageNames.begin(), m_pageNames.end(),
              [](const auto& a, const auto& b) { return a.first.size() > b.first.size(); });
}

void EventLog::endRace()
{
    m_race.clear();
    m_pageNames.clear();
}

} // namespace kazeyomi
