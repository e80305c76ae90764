// The small text routines every scraper shares: the marker cut and the trio key.
#pragma once

#include <optional>
#include <stdexcept>

#include <QString>
#include <QStringView>

namespace kazeyomi {

// The end marker stands before the start marker: a failed cut, not an empty one.
class CutError : public std::invalid_argument {
public:
    using std::invalid_argument::invalid_argument;
};

// ASCII letters only, as the marker cut compares character codes exactly.
QString upperAscii(const QString& text);
QString upperAscii(QStringView text);

// Text between the first start marker and the first end marker (both searched from the
// start). All three arguments are upper-cased in place, so the caller's line stays
// upper-cased. Empty when a marker is missing; throws CutError when the length is negative.
QString Moji_get(QString& tmp, QString& ststr, QString& edstr);
// The same with literal markers; only the line is changed in place.
QString Moji_get(QString& tmp, const QString& ststr, const QString& edstr);
// The cut Moji_get gives with upper-case markers, for a caller that does not read the line again
// (the line is left as it is, not upper-cased).
QString cutUpperCased(QStringView line, QStringView upperStart, QStringView upperEnd);
// The same cut as a part of the line, not upper-cased yet; nothing for an end marker before the
// start marker, an empty view for a missing marker.
std::optional<QStringView> cutViewUpperCased(QStringView line, QStringView upperStart, QStringView upperEnd);
// Whether `marker` stands in the text at `at`, compared exactly.
inline bool standsAt(QStringView text, qsizetype at, QStringView marker)
{
    if (text.size() - at < marker.size())
        return false;
    const char16_t* here = text.utf16() + at;
    const char16_t* want = marker.utf16();
    for (qsizetype i = 0; i < marker.size(); ++i)
        if (here[i] != want[i])
            return false;
    return true;
}
// Where `upperNeedle` first stands in the text as upper-cased by upperAscii; -1 when it does not.
qsizetype indexOfUpperCased(QStringView text, QStringView upperNeedle);

// Sorts the three numbers in place, largest first, and joins them with "-": 3, 12, 7 give "12-7-3".
QString Trio_key(qint16& a, qint16& b, qint16& c);

} // namespace kazeyomi
