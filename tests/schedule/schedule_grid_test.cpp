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
    std::vector<RaceCard> races(2);
    races[0].venue = u"大井"_s;
    races[0].race = 1;
    races[0].pageId = u"2025120520010201"_s;
    races[0].postTime = u"14:50"_s;
    races[0].raceName = u"第1競走"_s;
    races[1].venue = u"川崎"_s;
    races[1].race = 12;
    races[1].pageId = u"2025120521011212"_s;
    races[1].postTime = u"20:10"_s;
    fillScheduleGrid(schedule, races);
    ASSERT_EQ(schedule.rows(), 3);
    EXPECT_EQ(schedule.textMatrix(1, ScheduleColumn::Venue), u"大井"_s);
    EXPECT_EQ(schedule.textMatrix(1, ScheduleColumn::Race), u"1"_s);
    EXPECT_EQ(schedule.textMatrix(1, ScheduleColumn::PostTime), u"14:50"_s);
    EXPECT_EQ(schedule.textMatrix(1, ScheduleColumn::RaceName), u"第1競走"_s);
    EXPECT_EQ(schedule.textMatrix(1, ScheduleColumn::PageId), u"2025120520010201"_s);
    EXPECT_EQ(schedule.textMatrix(2, ScheduleColumn::Venue), u"川崎"_s);
    EXPECT_EQ(schedule.textMatrix(2, ScheduleColumn::Race), u"12"_s);

    // More races than design rows: the grid grows to hold them all.
    std::vector<RaceCard> many(30, races[0]);
    fillScheduleGrid(schedule, many);
    EXPECT_EQ(schedule.rows(), 31);
    EXPECT_EQ(schedule.textMatrix(30, ScheduleColumn::Venue), u"大井"_s);
}
