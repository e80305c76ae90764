// What an odds scraper tells the fetch cycle: its result, its own fetch, and when the page was
// read but gives this race no odds of its bet type, why.
#pragma once

#include <QString>

#include "fetch/page_fetcher.h"
#include "scraping/scrape_result.h"

namespace kazeyomi {

struct [[nodiscard]] OddsScrape {
    ScrapeResult result = ScrapeResult::Empty;
    PageFetch fetch; // the scraper's own fetch; ok when it fetched nothing
    // Not empty: the page was read (Parsed) but its odds cannot be this race's or cannot be
    // found, so its bet type gets no line this time and the race goes on.
    QString problem;

    bool operator==(ScrapeResult other) const { return result == other; }
};

// The horses a table shows: the largest horse number heading an odds cell, each cell standing
// on a line of its own as `12</th><td>34.5`; 0 when no line reads so.
int horsesShown(const QString& cellLines);

// Why a page whose table shows `shown` horses is not read with the win/place page's runner
// count; empty when they agree or when the table names no horse (it is read as it comes).
QString horseCountMismatch(const QString& betType, int shown, int runners);

} // namespace kazeyomi
