// The save and load buttons: the twelve odds and result grids to and from "Grid<N>.dat"
// files in today's card folder, and the schedule grid saved on exit.
#pragma once

#include "foundation/outcome.h"

namespace kazeyomi {

class DayFolders;
class FormState;
class Notifier;

// The grids the buttons save and load, in their order.
inline constexpr int kSnapshotGrids[] = {3, 4, 5, 6, 9, 10, 11, 12, 13, 14, 15, 16};

// A failure lists every file that failed with its reason, one a line (the other grids are
// still saved or loaded). A "Cancel" answer changes nothing.
Outcome Command6_Click(FormState& form, const DayFolders& folders, Notifier& notifier);
Outcome Command7_Click(FormState& form, const DayFolders& folders, Notifier& notifier);

} // namespace kazeyomi
