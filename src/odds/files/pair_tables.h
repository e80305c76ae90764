// What the quinella and wide writers share: the staircase of their pages laid out as a pair
// table, and its pair fields.
#pragma once

#include <QString>

namespace kazeyomi {

class GridModel;

// Rebuilds `work` from the scraper's staircase `source` of a field of `runners` horses:
// work cell (k, c) is the pair of horse c with horse c + k, row 0 labels columns 1 to 15.
void buildStaircaseTable(const GridModel& source, GridModel& work, int runners);

// The pair fields of work columns 1 to 14, each column down to its first empty cell.
QString staircaseFields(const GridModel& work);

} // namespace kazeyomi
