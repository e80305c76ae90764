#include "session/settings.h"

#include <iterator>
#include <map>

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QProcessEnvironment>
#include <QSettings>
#include <QStandardPaths>
#include <QUrl>

#include "racecards/venue_codes.h"

#ifdef Q_OS_WIN
#include <windows.h>
#endif

namespace kazeyomi {

using namespace Qt::StringLiterals;

namespace {

// The folder of this program, asked of the system itself: there is no application object yet.
QString programFolder()
{
#ifdef Q_OS_WIN
    wchar_t path[MAX_PATH * 4];
    const DWORD length = GetModuleFileNameW(nullptr, path, DWORD(std::size(path)));
    if (length == 0 || length >= std::size(path))
        return {};
    return QFileInfo(QString::fromWCharArray(path, int(length))).absolutePath();
#else
    return QFileInfo(QStringLiteral("/proc/self/exe")).canonicalPath();
#endif
}

struct Key {
    const char* option;
    const char* env;
    const char* ini;
};

const Key kKeys[] = {
    {"base", "KAZEYOMI_BASE", "base"},
    {"app-dir", "KAZEYOMI_APP_DIR", "app_dir"},
    {"site", "KAZEYOMI_SITE_URL", "site_url"},
    {"portal", "KAZEYOMI_PORTAL_URL", "portal_url"},
    {"timeout", "KAZEYOMI_TIMEOUT", "timeout"},
    {"now", "KAZEYOMI_NOW", "now"},
    {"site-style", "KAZEYOMI_SITE_STYLE", "site_style"},
    {"portal-style", "KAZEYOMI_PORTAL_STYLE", "portal_style"},
    {"venue-codes", "KAZEYOMI_VENUE_CODES", "venue_codes"},
    {"odds-fall", "KAZEYOMI_ODDS_FALL", "odds_fall"},
};

bool isWritableDir(const QString& dir)
{
    const QFileInfo info(dir);
    return info.isDir() && info.isWritable();
}

// An installed program (bin/ beside share/applications/kazeyomi.desktop) keeps its work files
// per user, even where its folder is writable as it is for root.
bool isInstalledProgramDir(const QString& dir)
{
    return QFileInfo::exists(QDir(dir).filePath(u"../share/applications/kazeyomi.desktop"_s));
}

QString trimSlash(QString url)
{
    while (url.endsWith(u'/'))
        url.chop(1);
    return url;
}

// Where the user's own kazeyomi.ini is read from, for messages that ask for a setting.
QString userIniPath()
{
    const QString dir = QStandardPaths::writableLocation(QStandardPaths::AppConfigLocation);
    return QDir::toNativeSeparators(QDir(dir).filePath(u"kazeyomi.ini"_s));
}

} // namespace

QString baseUrlProblem(const QString& url)
{
    if (url.isEmpty())
        return u"it is empty"_s;
    const QUrl parsed(url, QUrl::StrictMode);
    if (!parsed.isValid())
        return u"it does not read as a URL (%1)"_s.arg(parsed.errorString());
    if (parsed.scheme() != u"http" && parsed.scheme() != u"https")
        return u"it must begin with http:// or https://"_s;
    if (parsed.host().isEmpty())
        return u"it names no host"_s;
    // The pages' paths are put after it: a query or a fragment would swallow them.
    if (parsed.hasQuery() || parsed.hasFragment())
        return u"it must end before any \"?\" or \"#\""_s;
    return {};
}

QString missingSiteError(SiteSetting which, const QString& neededBy)
{
    const bool site = which == SiteSetting::Site;
    return u"%1 is not set: %2 needs the base URL of %3. Give it as %1 URL, as %4=URL, or as \"%5 = URL\" in "
           "%6"_s.arg(site ? u"--site"_s : u"--portal"_s, neededBy,
                      site ? u"the Southern Kanto racing site"_s : u"the regional racing portal"_s,
                      site ? u"KAZEYOMI_SITE_URL"_s : u"KAZEYOMI_PORTAL_URL"_s, site ? u"site_url"_s : u"portal_url"_s,
                      userIniPath());
}

std::optional<QDateTime> parseNow(const QString& text)
{
    for (const auto* format : {"yyyy-MM-ddTHH:mm:ss", "yyyy-MM-ddTHH:mm", "yyyy-MM-dd HH:mm:ss", "yyyy-MM-dd HH:mm"}) {
        const QDateTime moment = QDateTime::fromString(text.trimmed(), QString::fromLatin1(format));
        if (moment.isValid())
            return moment;
    }
    return std::nullopt;
}

SettingsResult resolveSettings(const SettingsSources& sources)
{
    SettingsResult result;
    std::map<QString, QString> fromArgs;
    for (qsizetype i = 0; i < sources.args.size(); ++i) {
        const QString& arg = sources.args[i];
        bool known = false;
        for (const auto& key : kKeys) {
            const QString name = u"--"_s + QString::fromLatin1(key.option);
            if (arg == name) {
                if (i + 1 >= sources.args.size()) {
                    result.errors << u"option %1 needs a value"_s.arg(name);
                } else {
                    fromArgs[QString::fromLatin1(key.option)] = sources.args[++i];
                }
                known = true;
            } else if (arg.startsWith(name + u'=')) {
                fromArgs[QString::fromLatin1(key.option)] = arg.mid(name.size() + 1);
                known = true;
            }
            if (known)
                break;
        }
        if (!known)
            result.unusedArgs << arg;
    }

    QString iniPath;
    for (const QString& dir : {sources.programDir, sources.userConfigDir}) {
        const QString candidate = QDir(dir).filePath(u"kazeyomi.ini"_s);
        if (!dir.isEmpty() && QFileInfo::exists(candidate)) {
            iniPath = candidate;
            break;
        }
    }
    std::optional<QSettings> ini;
    if (!iniPath.isEmpty())
        ini.emplace(iniPath, QSettings::IniFormat);

    std::map<QString, std::pair<QString, QString>> values; // option -> (value, where it came from)
    for (const auto& key : kKeys) {
        const QString option = QString::fromLatin1(key.option);
        const QString env = QString::fromLatin1(key.env);
        if (const auto it = fromArgs.find(option); it != fromArgs.end())
            values[option] = {it->second, u"--"_s + option};
        else if (const auto e = sources.environment.find(env); e != sources.environment.end() && !e->second.isEmpty())
            values[option] = {e->second, env};
        else if (ini && ini->contains(QString::fromLatin1(key.ini)))
            // An unquoted value with commas reads back as a list.
            values[option] = {ini->value(QString::fromLatin1(key.ini)).toStringList().join(u','),
                              iniPath + u" ["_s + QString::fromLatin1(key.ini) + u']'};
    }
    const auto value = [&](const char* option) -> std::optional<std::pair<QString, QString>> {
        const auto it = values.find(QString::fromLatin1(option));
        return it == values.end() ? std::nullopt : std::optional(it->second);
    };

    Settings& s = result.settings;
    s.iniPath = iniPath;
#ifdef Q_OS_WIN
    s.baseDir = u"C:/uma"_s;
#else
    s.baseDir = QDir(sources.homeDir).filePath(u"uma"_s);
#endif
    if (auto v = value("base")) {
        s.baseDir = QDir::cleanPath(v->first);
        s.baseGiven = true;
    }
    s.appDir = isWritableDir(sources.programDir) && !isInstalledProgramDir(sources.programDir) ? sources.programDir
                                                                                               : sources.userStateDir;
    if (auto v = value("app-dir")) {
        s.appDir = QDir::cleanPath(v->first);
        s.appDirGiven = true;
    }
    const auto baseUrl = [&](const char* option, QString& target) {
        if (auto v = value(option)) {
            target = trimSlash(v->first.trimmed());
            if (const QString why = baseUrlProblem(target); !why.isEmpty())
                result.errors << u"%1: \"%2\" is not a base URL like https://www.example.jp: %3"_s.arg(v->second,
                                                                                                       v->first, why);
        }
    };
    baseUrl("site", s.siteUrl);
    baseUrl("portal", s.portalUrl);
    if (auto v = value("timeout")) {
        bool ok = false;
        const double seconds = v->first.toDouble(&ok);
        if (ok && seconds > 0 && seconds <= 3600)
            s.timeoutMs = int(seconds * 1000);
        else
            result.errors << u"%1: timeout \"%2\" is not a number of seconds between 0 and 3600"_s.arg(v->second,
                                                                                                       v->first);
    }
    if (auto v = value("odds-fall")) {
        // "30/180": a fall of 30 % or more within 180 seconds.
        bool percentOk = false, secondsOk = false;
        const double percent = v->first.section(u'/', 0, 0).toDouble(&percentOk);
        const int seconds = v->first.section(u'/', 1, 1).toInt(&secondsOk);
        if (percentOk && secondsOk && percent > 0 && percent < 100 && seconds > 0 && seconds <= 86400) {
            s.oddsFallPercent = percent;
            s.oddsFallSeconds = seconds;
        } else {
            result.errors << u"%1: odds_fall \"%2\" is not PERCENT/SECONDS such as 30/180"_s.arg(v->second, v->first);
        }
    }
    if (auto v = value("now")) {
        s.now = parseNow(v->first);
        if (!s.now)
            result.errors << u"%1: \"%2\" is not a date and time like 2025-12-05T14:30:00"_s.arg(v->second, v->first);
    }
    const auto style = [&](const char* option, MarkupStyle& target) {
        if (auto v = value(option)) {
            const QString name = v->first.trimmed().toLower();
            if (name == u"modern")
                target = MarkupStyle::Modern;
            else if (name == u"legacy")
                target = MarkupStyle::Legacy;
            else
                result.errors << u"%1: style \"%2\" is neither modern nor legacy"_s.arg(v->second, v->first);
        }
    };
    style("site-style", s.siteStyle);
    style("portal-style", s.portalStyle);
    if (auto v = value("venue-codes")) {
        QStringList bad;
        s.venueCodes = parseVenueCodes(v->first, bad);
        for (const QString& why : bad)
            result.errors << v->second + u": "_s + why;
    }
    return result;
}

SettingsSources currentSources(const QStringList& args)
{
    SettingsSources sources;
    sources.args = args;
    const auto env = QProcessEnvironment::systemEnvironment();
    for (const auto& key : kKeys) {
        const QString name = QString::fromLatin1(key.env);
        if (env.contains(name))
            sources.environment[name] = env.value(name);
    }
    // Works before the application object exists, which the front end is chosen by.
    sources.programDir = QCoreApplication::instance() ? QCoreApplication::applicationDirPath() : programFolder();
    sources.userConfigDir = QStandardPaths::writableLocation(QStandardPaths::AppConfigLocation);
    sources.userStateDir = QStandardPaths::writableLocation(QStandardPaths::AppLocalDataLocation);
    sources.homeDir = QDir::homePath();
    return sources;
}

QString settingsHelp()
{
    return uR"(Settings (strongest first: option, environment variable, kazeyomi.ini, default):
  --base DIR        KAZEYOMI_BASE        base = DIR      folder that stands for C:\uma; holds nsdat2\ and dat2\
                                                         (default: C:\uma on Windows, ~/uma elsewhere)
  --app-dir DIR     KAZEYOMI_APP_DIR     app_dir = DIR   page cache and work files (default: the program's
                                                         folder if writable and not installed, else the
                                                         per-user data folder)
  --site URL        KAZEYOMI_SITE_URL    site_url = URL  base URL of the Southern Kanto racing site (no default:
                                                         fetching needs it)
  --portal URL      KAZEYOMI_PORTAL_URL  portal_url = URL base URL of the regional racing portal (race cards)
  --timeout SEC     KAZEYOMI_TIMEOUT     timeout = SEC   time limit of one page fetch (default 30)
  --now DATETIME    KAZEYOMI_NOW         now = DATETIME  start the clock at this local time, e.g. 2025-12-05T14:30:00;
                                                         it runs on in real time
  --site-style S    KAZEYOMI_SITE_STYLE  site_style = S    markup style the site's pages are rendered in: modern
  --portal-style S  KAZEYOMI_PORTAL_STYLE portal_style = S  markup style of the portal's pages: legacy
  --venue-codes L   KAZEYOMI_VENUE_CODES venue_codes = L the portal's venue codes added to or replacing
                                                         浦和:18, 船橋:19, 大井:20, 川崎:21, e.g. 門別:30
  --odds-fall P/S   KAZEYOMI_ODDS_FALL   odds_fall = P/S a fall of a horse's win odds by P % or more within S
                                                         seconds is told and stored (default 30/180)
kazeyomi.ini is read from the program's folder, else from the per-user configuration folder.
The fetch intervals are set in the window and are never stored.)"_s;
}

} // namespace kazeyomi
