// The small text routines every scraper shares: the marker cut, the quick looks for markers it
// rests on, and the trio key.
#pragma once

#include <bit>
#include <cstring>
#include <optional>
#include <stdexcept>

#include <QString>
#include <QStringView>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

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

// Where `unit` first stands in units[from, size); `size` when it does not. Eight characters are
// compared at a time where the processor can.
inline qsizetype findUnit(const char16_t* units, qsizetype from, qsizetype size, char16_t unit)
{
#if defined(__SSE2__)
    const __m128i wanted = _mm_set1_epi16(short(unit));
    for (; size - from >= 8; from += 8) {
        const __m128i chunk = _mm_loadu_si128(reinterpret_cast<const __m128i*>(units + from));
        const int found = _mm_movemask_epi8(_mm_cmpeq_epi16(chunk, wanted));
        if (found != 0)
            return from + std::countr_zero(unsigned(found)) / 2;
    }
#endif
    while (from < size && units[from] != unit)
        ++from;
    return from;
}

// The same for the first of two characters.
inline qsizetype findEitherUnit(const char16_t* units, qsizetype from, qsizetype size, char16_t one, char16_t other)
{
#if defined(__SSE2__)
    const __m128i first = _mm_set1_epi16(short(one));
    const __m128i second = _mm_set1_epi16(short(other));
    for (; size - from >= 8; from += 8) {
        const __m128i chunk = _mm_loadu_si128(reinterpret_cast<const __m128i*>(units + from));
        const int found =
            _mm_movemask_epi8(_mm_or_si128(_mm_cmpeq_epi16(chunk, first), _mm_cmpeq_epi16(chunk, second)));
        if (found != 0)
            return from + std::countr_zero(unsigned(found)) / 2;
    }
#endif
    while (from < size && units[from] != one && units[from] != other)
        ++from;
    return from;
}

// Whether `marker` stands in the text at `at`, compared exactly. Most places hold another marker,
// which the first two characters tell.
inline bool standsAt(QStringView text, qsizetype at, QStringView marker)
{
    const qsizetype size = marker.size();
    if (text.size() - at < size)
        return false;
    const char16_t* here = text.utf16() + at;
    const char16_t* want = marker.utf16();
    if (size >= 2 && (here[0] != want[0] || here[1] != want[1]))
        return false;
    // Short markers are compared here; a call to compare memory costs more than they do.
    if (size <= 8) {
        for (qsizetype i = 2; i < size; ++i)
            if (here[i] != want[i])
                return false;
        return true;
    }
    return std::memcmp(here, want, size_t(size) * sizeof(char16_t)) == 0;
}

// Where `needle` first stands in the text, compared exactly; -1 when it does not.
qsizetype indexOfExactly(QStringView text, QStringView needle);
// Where `upperNeedle` first stands in the text as upper-cased by upperAscii; -1 when it does not.
qsizetype indexOfUpperCased(QStringView text, QStringView upperNeedle);

// Sorts the three numbers in place, largest first, and joins them with "-": 3, 12, 7 give "12-7-3".
QString Trio_key(qint16& a, qint16& b, qint16& c);

} // namespace kazeyomi
