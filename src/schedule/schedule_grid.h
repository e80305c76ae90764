// Fills the schedule grid VSFlexGrid8 from the day's race cards: one row per race,
// meetings in the order of the meeting list.
#pragma once

#include <vector>

#include "foundation/schedule_columns.h"

namespace kazeyomi {

class GridModel;
struct RaceCard;

// Sets Rows to the number of races plus 1.
void fillScheduleGrid(GridModel& schedule, const std::vector<RaceCard>& races);

} // namespace kazeyomi
