// The save and load buttons: the twelve odds and result grids to and from "Grid<N>.dat"
// files in today's card folder, and the schedule grid saved on exit.
#pragma once

#include "foundation/outcome.h"

#include "foundation/grid_layouts.h"

namespace kazeyomi {

class DayFolders;
class FormState;
class Notifier;

// The grids the buttons save and load, in their order.
inline constexpr Grid kSnapshotGrids[] = {
    Grid::VSFlexGrid3,  Grid::VSFlexGrid4,  Grid::VSFlexGrid5,  Grid::VSFlexGrid6,
    Grid::VSFlexGrid9,  Grid::VSFlexGrid10, Grid::VSFlexGrid11, Grid::VSFlexGrid12,
    Grid::VSFlexGrid13, Grid::VSFlexGrid14, Grid::VSFlexGrid15, Grid::VSFlexGrid16,
};

// A failure lists every file that failed with its reason, one a line (the other grids are
// still saved or loaded). A "Cancel" answer changes nothing.
Outcome Command6_Click(FormState& form, const DayFolders& folders, Notifier& notifier);
Outcome Command7_Click(FormState& form, const DayFolders& folders, Notifier& notifier);

} // namespace kazeyomi
