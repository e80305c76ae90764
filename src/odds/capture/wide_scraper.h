// The wide odds scraper: the wide table of "/odds/<raceCode>04.do", each range split into its
// lower bound in VSFlexGrid10 and its upper bound in VSFlexGrid12.
#pragma once

#include <QString>

#include "foundation/context.h"
#include "odds/capture/odds_scrape.h"

namespace kazeyomi {

class GridModel;

// The cells laid out as the quinella's (VSFlexGrid5). Empty while Label1 is empty (the grids
// untouched); NoData for a failed fetch or a page under 1800 bytes; Parsed otherwise, with a
// problem as for the exacta (Umatan_get).
OddsScrape Wide_get(Context& ctx, const QString& raceCode);

// One wide cell line such as `3</th><td>2.1<span>-3.4` into cell (row, col) of both grids.
// The line in hand is upper-cased by the cut. A bound whose cut fails keeps the bound of
// the cell before, held in `low` and `high`.
void cutWideCell(GridModel& lowGrid, GridModel& highGrid, int row, int col, QString& line, QString& low, QString& high);

} // namespace kazeyomi
