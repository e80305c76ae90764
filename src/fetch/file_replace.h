// The line-by-line replace the fetch runs over the page, and the internet cache that
// a browser would keep.
#pragma once

#include <QString>

namespace kazeyomi {

// Copies a CP932 text file line by line, replacing the search text (compared in lower
// case) by the replacement. Number of replacements, -1 when a file cannot be opened,
// -2 when a later error occurred.
int File_Replace(const QString& source, const QString& destination, const QString& search,
                 const QString& replacement);

// There is no platform internet cache here (pages are fetched without a disk cache).
inline void UrlCache_Delete(const QString&) {}

} // namespace kazeyomi
