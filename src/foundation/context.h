// What every scraper and writer works with: the controls' state, the clock, the day's
// folders, the page fetcher and where the application folder and the site are.
#pragma once

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

    QString appFile(const QString& name) const;
};

} // namespace kazeyomi
