// Where the program keeps its files and which sites it polls: command-line options,
// then environment variables, then kazeyomi.ini, then built-in defaults.
#pragma once

#include <map>
#include <optional>

#include <QDateTime>
#include <QString>
#include <QStringList>

#include "fetch/html_renderer.h"

namespace kazeyomi {

struct Settings {
    QString baseDir;          // stands for C:\uma
    bool baseGiven = false;   // set by an option, a variable or the settings file
    QString appDir;           // page cache and work files
    bool appDirGiven = false; // set by an option, a variable or the settings file
    QString siteUrl;          // the Southern Kanto site, no trailing slash
    QString portalUrl;        // the regional portal, no trailing slash
    MarkupStyle siteStyle = MarkupStyle::Modern;
    MarkupStyle portalStyle = MarkupStyle::Legacy;
    int timeoutMs = 30'000;
    std::optional<QDateTime> now; // start the clock here
    QString iniPath;              // the settings file that was read, if any
    // Portal venue codes laid over the built-in ones: "門別:30, 大井:20".
    std::map<QString, QString> venueCodes;
    // A sharp move of win odds: this fall within this many seconds.
    double oddsFallPercent = 30.0;
    int oddsFallSeconds = 180;
};

struct SettingsSources {
    QStringList args;                       // options only: --base X, --site=X, ...
    std::map<QString, QString> environment; // KAZEYOMI_* variables
    QString programDir;                     // where kazeyomi.ini and the app folder default live
    QString userConfigDir;                  // second place for kazeyomi.ini
    QString userStateDir;                   // app folder when the program's folder is read-only
    QString homeDir;
};

struct SettingsResult {
    Settings settings;
    QStringList errors;     // bad values, each naming its source
    QStringList unusedArgs; // positional arguments and unknown options, left to the caller
};

SettingsResult resolveSettings(const SettingsSources& sources);
SettingsSources currentSources(const QStringList& args);

QString settingsHelp();

// Why `url` cannot be a site's base URL (http or https, a host, nothing after the path); empty
// when it can.
QString baseUrlProblem(const QString& url);

enum class SiteSetting { Site, Portal };
// The refusal of a command or mode that needs a site no setting gives, naming where to give it.
QString missingSiteError(SiteSetting which, const QString& neededBy);

std::optional<QDateTime> parseNow(const QString& text);

} // namespace kazeyomi
