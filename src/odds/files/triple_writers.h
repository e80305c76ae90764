// The trio odds history file ".3fuku" and the trifecta odds history file ".3tan": the odds
// time stamp and one 16-character field per trio or trifecta, "01-02-03" and the odds.
#pragma once

#include "foundation/file_writer.h"

namespace kazeyomi {

struct Context;

// Walks the staircases of VSFlexGrid20 block by block (VSFlexGrid21 shows the last block) and
// names each trio by the block's horse, the column's horse and the row's horse: the odds at a
// trio's first sighting, "***" at its repeats.
Outcome Sanfuku_write(Context& ctx, const FileDevices& devices = realFiles());

// Lays the page grid VSFlexGrid13 out as one square block per first-place horse in
// VSFlexGrid22 ("***" for a blank cell) and runs Santan_write. Writes nothing while the page
// grid holds no labels; a label that is not a number is a failure.
Outcome Santan_arrange(Context& ctx, const FileDevices& devices = realFiles());

// One field per cell of each block (VSFlexGrid23 shows the last), the diagonal included: first
// horse, column horse, row horse. Sets the runner count to the block size found from the labels.
Outcome Santan_write(Context& ctx, const FileDevices& devices = realFiles());

} // namespace kazeyomi
