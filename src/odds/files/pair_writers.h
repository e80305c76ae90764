// The pair odds history files ".utan" (exacta), ".uren" (quinella), ".wideL" and ".wideH" (wide,
// lower and upper bound): each grid of the scrapers is laid out again as a pair table, one column
// per horse named first, and written as the odds time stamp and one 13-character field per pair.
#pragma once

#include "foundation/file_writer.h"

namespace kazeyomi {

struct Context;

// Each rebuilds its work grid (VSFlexGrid19, 17, 18, 18) and appends one line to its history.
// A failure ends that writer only and names the file.
Outcome Utan_write(Context& ctx, const FileDevices& devices = realFiles());
Outcome Uren_write(Context& ctx, const FileDevices& devices = realFiles());
Outcome WideL_write(Context& ctx, const FileDevices& devices = realFiles());
Outcome WideH_write(Context& ctx, const FileDevices& devices = realFiles());

} // namespace kazeyomi
