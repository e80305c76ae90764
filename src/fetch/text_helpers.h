// The small text routines every scraper and writer shares: the marker cut, the
// line-by-line replace, the trio key and the (absent) internet cache.
#pragma once

#include <stdexcept>

#include <QString>

namespace kazeyomi {

// The end marker stands before the start marker: a failed cut, not an empty one.
class CutError : public std::invalid_argument {
public:
    using std::invalid_argument::invalid_argument;
};

// Blanks (U+0020) off both ends, and nothing else: tabs and line breaks stay.
QString trimSpaces(const QString& text);

// ASCII letters only, as the marker cut compares character codes exactly.
QString upperAscii(const QString& text);

// Text between the first start marker and the first end marker (both searched from the
// start). All three arguments are upper-cased in place, so the caller's line stays
// upper-cased. Empty when a marker is missing; throws CutError when the length is negative.
QString Moji_get(QString& tmp, QString& ststr, QString& edstr);
// The same with literal markers; only the line is changed in place.
QString Moji_get(QString& tmp, const QString& ststr, const QString& edstr);

// Copies a CP932 text file line by line, replacing the search text (compared in lower
// case) by the replacement. Number of replacements, -1 when a file cannot be opened,
// -2 when a later error occurred.
int File_Replace(const QString& source, const QString& destination, const QString& search,
                 const QString& replacement);

// Sorts the three numbers in place, largest first, and joins them with "-": 3, 12, 7 give "12-7-3".
QString Trio_key(qint16& a, qint16& b, qint16& c);

// There is no platform internet cache here (pages are fetched without a disk cache).
inline void UrlCache_Delete(const QString&) {}

} // namespace kazeyomi
