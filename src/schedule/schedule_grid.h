// Fills the schedule grid VSFlexGrid8 from the day's race cards: one row per race,
// meetings in the order of the meeting list.
#pragma once

#include <vector>

namespace kazeyomi {

class GridModel;
struct RaceCard;

namespace ScheduleColumn {
inline constexpr int Venue = 1;
inline constexpr int Race = 2;
inline constexpr int PostTime = 3;
inline constexpr int Countdown = 5;
inline constexpr int Mark6 = 6;
inline constexpr int Mark7 = 7;
inline constexpr int Mark8 = 8;
inline constexpr int Payout = 9;
inline constexpr int RaceName = 10;
inline constexpr int NextTime = 11;
inline constexpr int State = 12;
inline constexpr int PageId = 13;
} // namespace ScheduleColumn

// Sets Rows to the number of races plus 1.
void fillScheduleGrid(GridModel& schedule, const std::vector<RaceCard>& races);

} // namespace kazeyomi
