// What the four pair odds writers share: the 13-character pair field and the staircase of the
// quinella and wide pages laid out as a pair table.
#pragma once

#include <QString>

namespace kazeyomi {

class GridModel;

// "01-02" and the odds right-aligned in 8 in the "0.0" form; "***" and other text kept.
QString pairField(int first, int partner, const QString& odds);

// Rebuilds `work` from the scraper's staircase `source` of a field of `runners` horses:
// work cell (k, c) is the pair of horse c with horse c + k, row 0 labels columns 1 to 15.
void buildStaircaseTable(const GridModel& source, GridModel& work, int runners);

// The pair fields of work columns 1 to 14, each column down to its first empty cell.
QString staircaseFields(const GridModel& work);

} // namespace kazeyomi
