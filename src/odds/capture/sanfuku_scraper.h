// The trio odds scraper: the tables of "/odds/<raceCode>09.do", one per horse, into
// VSFlexGrid11, rebuilt as staircases in VSFlexGrid20 for the trio file.
#pragma once

#include <QString>

#include "foundation/context.h"
#include "odds/capture/odds_scrape.h"

namespace kazeyomi {

class FormState;

// Block b (b = 1 to N, N the runner count) is rows (b - 1)(N - 2) + 1 to b(N - 2): column 0
// holds b, columns 1 to 8 the odds cells of horse b's table, row by row. Both grids are cleared
// first, so a page without odds leaves no other race's trios behind. Empty while Label1 is
// empty; NoData for a failed fetch, a page under 1800 bytes or a page without tables; Parsed
// otherwise, with a problem and no odds read for tables of another number of horses than the
// runner count or a work file that cannot be written.
OddsScrape Sanfuku_get(Context& ctx, const QString& raceCode);

// Rebuilds VSFlexGrid20 from VSFlexGrid11: in each block, columns 1 to 8 are the upper part of
// the page's columns and columns 9 to 17 the lower parts, the trios of the horses that have no
// column of their own.
void Sanfuku_arrange(FormState& form);

// Everything after the fetch, on the page already in tmp.txt.
OddsScrape cutTrioPage(Context& ctx);

} // namespace kazeyomi
