#include "demo/demo_site.h"

#include <QDir>
#include <QStandardPaths>

#include "shell/day_folders.h"

namespace kazeyomi {

using namespace Qt::StringLiterals;

DemoSite::DemoSite(Settings& settings, double speed)
    : m_clock(std::make_shared<RunningClock>(settings.now.value_or(QDateTime::currentDateTime()), speed)),
      m_day(*m_clock, m_clock->now())
{
    if (!settings.baseGiven)
        settings.baseDir = QDir(QStandardPaths::writableLocation(QStandardPaths::AppLocalDataLocation))
                               .filePath(u"demo"_s);
    settings.appDir = QDir(settings.baseDir).filePath(u"app"_s);
    m_server.setHandler([this](const QString& target) { return m_day.respond(target); });
}

QString DemoSite::prepare(Settings& settings)
{
    if (!m_server.listen())
        return u"the demo site cannot listen on 127.0.0.1: %1"_s.arg(m_server.errorString());
    settings.siteUrl = m_server.baseUrl();
    settings.siteStyle = MarkupStyle::Modern;
    const DayFolders folders(settings.baseDir, *m_clock);
    return writeDayCards(folders.cardFolder(), m_day.cardMeetings(), settings.siteUrl);
}

} // namespace kazeyomi
