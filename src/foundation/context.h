// What every scraper and writer works with: the controls' state, the clock, the day's
// folders, the page fetcher and where the application folder and the site are.
#pragma once

#include <QDir>
#include <QString>

namespace kazeyomi {

class Clock;
class DayFolders;
class FormState;
class PageFetcher;

struct Context {
    FormState& form;
    const Clock& clock;
    const DayFolders& folders;
    PageFetcher& fetcher;
    QString appDir;
    QString siteUrl; // the Southern Kanto site, no trailing slash

    QString appFile(const QString& name) const { return QDir(appDir).filePath(name); }
};

// What an odds scraper tells the fetch cycle.
enum class ScrapeResult {
    Empty,  // nothing done: no venue in Label1
    Parsed, // the page was read
    NoData, // page too short or race cancelled: no further bet types this cycle
};

} // namespace kazeyomi
