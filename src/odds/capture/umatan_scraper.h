// The exacta odds scraper: the exacta table of "/odds/<raceCode>03.do" into VSFlexGrid6.
#pragma once

#include <QString>

#include "foundation/context.h"
#include "odds/capture/odds_scrape.h"

namespace kazeyomi {

// Rows 1 to N hold the pairs whose first horse is 1 to 8 (N the runner count); with more than
// 8 runners rows N + 1 to 2N hold those whose first horse is 9 to 16. Empty while Label1 is
// empty (the grid untouched); NoData for a failed fetch or a page under 1800 bytes; Parsed
// otherwise, with a problem and the grid only labelled for a page without its heading or
// whose table shows another number of horses than the runner count.
OddsScrape Umatan_get(Context& ctx, const QString& raceCode);

} // namespace kazeyomi
