#include "schedule/schedule_grid.h"

#include <gtest/gtest.h>

#include "foundation/card_files.h"
#include "foundation/grid_model.h"

using namespace kazeyomi;
using namespace Qt::StringLiterals;

TEST(ScheduleGrid, OneRowPerRaceInTheOrderGivenAndNoRowsLeftOver)
{
    GridModel schedule(u"VSFlexGrid8"_s, 5, 14);
    schedule.setTextMatrix(4, ScheduleColumn::Venue, u"old"_s);
    fillScheduleGrid(schedule, {{u"大井"_s, 1, u"14:50"_s, u"第1競走"_s, u"2025120520010201"_s},
                                {u"川崎"_s, 12, u"20:10"_s, {}, u"2025120521011212"_s}});
    ASSERT_EQ(schedule.rows(), 3);
    const QStringList row1 = {u"大井"_s, u"1"_s, u"14:50"_s, u"第1競走"_s, u"2025120520010201"_s};
    const int columns[] = {ScheduleColumn::Venue, ScheduleColumn::Race, ScheduleColumn::PostTime,
                           ScheduleColumn::RaceName, ScheduleColumn::PageId};
    for (int i = 0; i < 5; ++i)
        EXPECT_EQ(schedule.textMatrix(1, columns[i]), row1[i]) << i;
    EXPECT_EQ(schedule.textMatrix(2, ScheduleColumn::Race), u"12"_s);
    // More races than design rows: the grid grows to hold them all.
    fillScheduleGrid(schedule, std::vector<RaceCard>(30, {u"大井"_s, 1, u"14:50"_s, {}, u"x"_s}));
    EXPECT_EQ(schedule.rows(), 31);
    EXPECT_EQ(schedule.textMatrix(30, ScheduleColumn::Venue), u"大井"_s);
}
