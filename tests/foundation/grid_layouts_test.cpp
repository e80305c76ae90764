#include "foundation/grid_layouts.h"

#include <set>

#include <gtest/gtest.h>

#include "foundation/form_state.h"

using namespace kazeyomi;
using namespace Qt::StringLiterals;

TEST(GridLayouts, EveryGridOfTheWindowExistsWithItsDesignSize)
{
    // The sizes the routines rely on: each holds the most any routine writes (16 runners).
    const struct {
        Grid grid;
        int rows;
        int cols;
    } design[] = {
        {Grid::VSFlexGrid2, 19, 11},  {Grid::VSFlexGrid3, 17, 4},    {Grid::VSFlexGrid4, 9, 9},
        {Grid::VSFlexGrid5, 17, 9},   {Grid::VSFlexGrid6, 33, 9},    {Grid::VSFlexGrid8, 50, 15},
        {Grid::VSFlexGrid9, 9, 9},    {Grid::VSFlexGrid10, 17, 9},   {Grid::VSFlexGrid11, 225, 9},
        {Grid::VSFlexGrid12, 17, 9},  {Grid::VSFlexGrid13, 481, 9},  {Grid::VSFlexGrid14, 17, 15},
        {Grid::VSFlexGrid15, 17, 15}, {Grid::VSFlexGrid16, 10, 18},  {Grid::VSFlexGrid17, 17, 18},
        {Grid::VSFlexGrid18, 17, 18}, {Grid::VSFlexGrid19, 17, 17},  {Grid::VSFlexGrid20, 225, 18},
        {Grid::VSFlexGrid21, 17, 16}, {Grid::VSFlexGrid22, 241, 16}, {Grid::VSFlexGrid23, 17, 17},
    };
    const FormState form;
    ASSERT_EQ(gridLayouts().size(), std::size(design));
    std::set<Grid> seen;
    for (const auto& d : design) {
        SCOPED_TRACE(gridName(d.grid).toStdString());
        EXPECT_TRUE(seen.insert(d.grid).second);
        const GridModel& grid = form.grid(d.grid);
        EXPECT_EQ(grid.rows(), d.rows);
        EXPECT_EQ(grid.cols(), d.cols);
        EXPECT_EQ(grid.name(), u"VSFlexGrid%1"_s.arg(gridNumber(d.grid)));
    }
    for (const GridLayout& layout : gridLayouts())
        EXPECT_TRUE(seen.count(layout.grid)) << gridName(layout.grid).toStdString();
}
