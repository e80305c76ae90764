// The win and place history files ".tanA", ".Fuk1" and ".Fuk2" from VSFlexGrid3:
// the odds time stamp and sixteen 8-character fields, one per horse number.
#pragma once

#include <QString>

#include "foundation/file_writer.h"

namespace kazeyomi {

struct Context;

// The snapshot line of one writer: Text9 and 16 fields from the grid column.
QString tanFukuLine(const Context& ctx, int column);

// A failure ends that writer only and says what failed and where.
Outcome TanA_write(const Context& ctx, const FileDevices& devices = realFiles());
Outcome Fuk1_write(const Context& ctx, const FileDevices& devices = realFiles());
Outcome Fuk2_write(const Context& ctx, const FileDevices& devices = realFiles());

} // namespace kazeyomi
