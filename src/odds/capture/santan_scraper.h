// The trifecta odds scraper: the tables of "/odds/<raceCode>08.do", one per horse placed
// first, into VSFlexGrid13.
#pragma once

#include <QString>

#include "foundation/context.h"
#include "odds/capture/odds_scrape.h"

namespace kazeyomi {

// Row 0 holds "1" to "8"; column 0 the row labels 1 to N - 1 over and over (N the runner
// count). First-place horse h owns (N - 1)M rows from (h - 1)(N - 1)M + 1 on, M = 2 from 10
// runners up (the second N - 1 rows then hold the table's columns 9 on). Empty while Label1 is
// empty (the grid untouched); NoData for a failed fetch, a page under 1800 bytes or a page
// without tables (the grid keeps its labels); Parsed otherwise, with a problem and the grid
// only labelled as for the trio (Sanfuku_get).
OddsScrape Santan_get(Context& ctx, const QString& raceCode);

// Everything after the fetch, on the page already in tmp.txt.
OddsScrape cutTrifectaPage(Context& ctx);

} // namespace kazeyomi
