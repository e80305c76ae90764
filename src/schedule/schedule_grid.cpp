#include "schedule/schedule_grid.h"

#include "foundation/card_files.h"
#include "foundation/grid_model.h"

namespace kazeyomi {

void fillScheduleGrid(GridModel& schedule, const std::vector<RaceCard>& races)
{
    const int rows = int(races.size()) + 1;
    if (schedule.rows() < rows)
        schedule.setRows(rows);
    for (int i = 0; i < int(races.size()); ++i) {
        const RaceCard& card = races[size_t(i)];
        const int row = i + 1;
        schedule.setTextMatrix(row, ScheduleColumn::Race, QString::number(card.race));
        schedule.setTextMatrix(row, ScheduleColumn::Venue, card.venue);
        schedule.setTextMatrix(row, ScheduleColumn::PageId, card.pageId);
        schedule.setTextMatrix(row, ScheduleColumn::PostTime, card.postTime);
        schedule.setTextMatrix(row, ScheduleColumn::RaceName, card.raceName);
    }
    schedule.setRows(rows);
}

} // namespace kazeyomi
