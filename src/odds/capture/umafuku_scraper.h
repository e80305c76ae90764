// The quinella odds scraper: the quinella table of "/odds/<raceCode>04.do" into VSFlexGrid5.
#pragma once

#include <QString>

#include "foundation/context.h"
#include "odds/capture/odds_scrape.h"

namespace kazeyomi {

// Row r, column c: the r-th line of column c of the page's staircase, rows 1 to N - 1 (N the
// runner count). Empty while Label1 is empty (the grid untouched); NoData for a failed fetch or
// a page under 1800 bytes; Parsed otherwise, with a problem as for the exacta (Umatan_get).
OddsScrape Umafuku_get(Context& ctx, const QString& raceCode);

} // namespace kazeyomi
