// The line-by-line replace the fetch runs over the page, and the internet cache that
// a browser would keep.
#pragma once

#include <QString>

#include "foundation/file_writer.h"
#include "foundation/outcome.h"

namespace kazeyomi {

// Copies a CP932 text file line by line, replacing the search text (compared in lower
// case) by the replacement; the count is the number of replacements. A destination that
// cannot be written whole is removed.
Counted File_Replace(const QString& source, const QString& destination, const QString& search,
                     const QString& replacement, const FileDevices& devices = realFiles());

// There is no platform internet cache here (pages are fetched without a disk cache).
inline void UrlCache_Delete(const QString&) {}

} // namespace kazeyomi
