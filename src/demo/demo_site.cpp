#include "demo/demo_site.h"

#include <QDir>
#include <QStandardPaths>

#include "foundation/day_folders.h"

namespace kazeyomi {

using namespace Qt::StringLiterals;

namespace {

// The racing day has to end before midnight, when the day key changes: a late evening
// start puts the demo's clock at noon of the same day.
QDateTime demoStart(const Settings& settings)
{
    const QDateTime start = settings.now.value_or(QDateTime::currentDateTime());
    return start.time() > QTime(22, 30) ? QDateTime(start.date(), QTime(12, 0)) : start;
}

} // namespace

DemoSite::DemoSite(Settings& settings, double speed)
    : m_clock(std::make_shared<RunningClock>(demoStart(settings), speed)), m_day(*m_clock, m_clock->now())
{
    if (!settings.baseGiven)
        settings.baseDir =
            QDir(QStandardPaths::writableLocation(QStandardPaths::AppLocalDataLocation)).filePath(u"demo"_s);
    if (!settings.appDirGiven)
        settings.appDir = QDir(settings.baseDir).filePath(u"app"_s);
    m_server.setHandler([this](const QString& target) { return m_day.respond(target); });
    // A day of polling is some thousands of requests; nobody reads the demo's log.
    m_server.setLogLimit(100);
}

Outcome DemoSite::prepare(Settings& settings)
{
    if (!m_server.listen())
        return {u"the demo site cannot listen on 127.0.0.1: %1"_s.arg(m_server.errorString())};
    settings.siteUrl = m_server.baseUrl();
    settings.siteStyle = MarkupStyle::Modern;
    settings.portalUrl = m_server.baseUrl();
    settings.portalStyle = MarkupStyle::Legacy;
    const DayFolders folders(settings.baseDir, *m_clock);
    return writeDayCards(folders.cardFolder(), m_day.cardMeetings(), settings.siteUrl);
}

} // namespace kazeyomi
