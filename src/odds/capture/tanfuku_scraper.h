// The win/place odds scraper, first page of every race's fetch cycle: it fills VSFlexGrid3
// and sets the odds time stamp Text9 and the runner count that later scrapers and writers read.
#pragma once

#include <QString>

#include "foundation/context.h"
#include "odds/capture/odds_scrape.h"

namespace kazeyomi {

// Fetches "/odds/<raceCode>01.do" and cuts it into VSFlexGrid3. Empty while Label1 is
// empty (nothing fetched); NoData for a failed fetch, a page under 1800 bytes, a cancelled
// race (marked in the schedule grid on the current row) or a page without odds (its problem
// then names what the page lacks); Parsed otherwise. With the page's fetch.
OddsScrape TanFuku_get(Context& ctx, const QString& raceCode);

// Everything after the fetch: replaces "単勝・複勝.txt" with tmp.txt and cuts tmp.txt into
// VSFlexGrid3, which TanFuku_get has already cleared and headed.
OddsScrape cutWinPlacePage(Context& ctx);

} // namespace kazeyomi
