#include "scraping/text_helpers.h"

#include <algorithm>

#include <utility>

#include <QStringView>

namespace kazeyomi {

using namespace Qt::StringLiterals;

namespace {

char16_t upperUnit(char16_t c)
{
    return c >= u'a' && c <= u'z' ? char16_t(c - (u'a' - u'A')) : c;
}

// Where the first small ASCII letter stands, or `size`; eight characters at a time where the
// processor can.
qsizetype firstLowerAscii(const char16_t* units, qsizetype size)
{
    qsizetype at = 0;
#if defined(__SSE2__)
    // c - 'a' below 26, as a signed comparison after moving the range to the bottom.
    const __m128i a = _mm_set1_epi16(short(u'a'));
    const __m128i bias = _mm_set1_epi16(short(-0x8000));
    const __m128i limit = _mm_set1_epi16(short(26 - 0x8000));
    for (; size - at >= 8; at += 8) {
        const __m128i chunk = _mm_loadu_si128(reinterpret_cast<const __m128i*>(units + at));
        const __m128i shifted = _mm_add_epi16(_mm_sub_epi16(chunk, a), bias);
        const int found = _mm_movemask_epi8(_mm_cmplt_epi16(shifted, limit));
        if (found != 0)
            return at + std::countr_zero(unsigned(found)) / 2;
    }
#endif
    while (at < size && !(units[at] >= u'a' && units[at] <= u'z'))
        ++at;
    return at;
}

// Upper-cases the small ASCII letters, eight characters at a time where the processor can.
void upperInPlace(char16_t* units, qsizetype size)
{
    qsizetype at = 0;
#if defined(__SSE2__)
    const __m128i a = _mm_set1_epi16(short(u'a'));
    const __m128i bias = _mm_set1_epi16(short(-0x8000));
    const __m128i limit = _mm_set1_epi16(short(26 - 0x8000));
    const __m128i caseBit = _mm_set1_epi16(0x20);
    for (; size - at >= 8; at += 8) {
        __m128i* place = reinterpret_cast<__m128i*>(units + at);
        const __m128i chunk = _mm_loadu_si128(place);
        const __m128i small = _mm_cmplt_epi16(_mm_add_epi16(_mm_sub_epi16(chunk, a), bias), limit);
        _mm_storeu_si128(place, _mm_sub_epi16(chunk, _mm_and_si128(small, caseBit)));
    }
#endif
    for (; at < size; ++at)
        units[at] = upperUnit(units[at]);
}

} // namespace

QString upperAscii(const QString& text)
{
    const char16_t* units = reinterpret_cast<const char16_t*>(text.constData());
    const qsizetype first = firstLowerAscii(units, text.size());
    // Most lines are upper case already: they are shared, not copied.
    if (first == text.size())
        return text;
    QString out = text;
    upperInPlace(reinterpret_cast<char16_t*>(out.data()) + first, out.size() - first);
    return out;
}

qsizetype indexOfExactly(QStringView text, QStringView needle)
{
    // An empty marker is found where Qt finds it.
    if (needle.isEmpty())
        return text.indexOf(needle);
    const char16_t* units = text.utf16();
    const qsizetype last = text.size() - needle.size();
    for (qsizetype at = findUnit(units, 0, last + 1, needle[0].unicode()); at <= last;
         at = findUnit(units, at + 1, last + 1, needle[0].unicode()))
        if (standsAt(text, at, needle))
            return at;
    return -1;
}

QString Moji_get(QString& tmp, QString& ststr, QString& edstr)
{
    tmp = upperAscii(tmp);
    ststr = upperAscii(ststr);
    edstr = upperAscii(edstr);
    const qsizetype end = indexOfExactly(tmp, edstr);
    const qsizetype start = indexOfExactly(tmp, ststr);
    if (end < 0 || start < 0)
        return {};
    const qsizetype length = end - start - ststr.size();
    if (length < 0)
        throw CutError("marker cut: the end marker stands before the start marker");
    return tmp.mid(start + ststr.size(), length);
}

QString Moji_get(QString& tmp, const QString& ststr, const QString& edstr)
{
    QString st = ststr;
    QString ed = edstr;
    return Moji_get(tmp, st, ed);
}

namespace {

} // namespace

qsizetype indexOfUpperCased(QStringView text, QStringView upperNeedle)
{
    if (upperNeedle.isEmpty())
        return 0;
    // The lines cut are short: a plain loop beats a search that prepares itself first.
    const char16_t* units = text.utf16();
    const char16_t* needle = upperNeedle.utf16();
    const qsizetype size = upperNeedle.size();
    const qsizetype last = text.size() - size;
    const char16_t first = needle[0];
    // A first character that is no letter only matches itself: a plain look for it is quickest.
    const bool letter = (first >= u'A' && first <= u'Z') || (first >= u'a' && first <= u'z');
    for (qsizetype at = 0; at <= last; ++at) {
        if (letter) {
            while (at <= last && upperUnit(units[at]) != first)
                ++at;
        } else {
            at = findUnit(units, at, last + 1, first);
        }
        if (at > last)
            break;
        qsizetype k = 1;
        while (k < size && upperUnit(units[at + k]) == needle[k])
            ++k;
        if (k == size)
            return at;
    }
    return -1;
}

namespace {

bool isAsciiLetter(char16_t c)
{
    return (c >= u'A' && c <= u'Z') || (c >= u'a' && c <= u'z');
}

// Whether `upperNeedle` stands at `at` in the text as upper-cased by upperAscii.
bool standsUpperCasedAt(QStringView text, qsizetype at, QStringView upperNeedle)
{
    if (text.size() - at < upperNeedle.size())
        return false;
    const char16_t* here = text.utf16() + at;
    for (qsizetype k = 0; k < upperNeedle.size(); ++k)
        if (upperUnit(here[k]) != upperNeedle[k].unicode())
            return false;
    return true;
}

} // namespace

std::optional<QStringView> cutViewUpperCased(QStringView line, QStringView upperStart, QStringView upperEnd)
{
    qsizetype end = -1;
    qsizetype start = -1;
    // Markers that open with the same sign, as tags do, are both found in one look along the line.
    if (!upperStart.isEmpty() && !upperEnd.isEmpty() && upperStart[0] == upperEnd[0] &&
        !isAsciiLetter(upperStart[0].unicode())) {
        const char16_t* units = line.utf16();
        const qsizetype size = line.size();
        const char16_t first = upperStart[0].unicode();
        for (qsizetype at = findUnit(units, 0, size, first); at < size && (start < 0 || end < 0);
             at = findUnit(units, at + 1, size, first)) {
            if (start < 0 && standsUpperCasedAt(line, at, upperStart))
                start = at;
            if (end < 0 && standsUpperCasedAt(line, at, upperEnd))
                end = at;
        }
    } else {
        end = indexOfUpperCased(line, upperEnd);
        start = indexOfUpperCased(line, upperStart);
    }
    if (end < 0 || start < 0)
        return QStringView();
    const qsizetype length = end - start - upperStart.size();
    if (length < 0)
        return std::nullopt;
    return line.mid(start + upperStart.size(), length);
}

QString upperAscii(QStringView text)
{
    QString out = text.toString();
    if (firstLowerAscii(text.utf16(), text.size()) < text.size())
        upperInPlace(reinterpret_cast<char16_t*>(out.data()), out.size());
    return out;
}

QString cutUpperCased(QStringView line, QStringView upperStart, QStringView upperEnd)
{
    const std::optional<QStringView> cut = cutViewUpperCased(line, upperStart, upperEnd);
    if (!cut)
        throw CutError("marker cut: the end marker stands before the start marker");
    return upperAscii(*cut);
}

QString Trio_key(qint16& a, qint16& b, qint16& c)
{
    if (!(a > b))
        std::swap(a, b);
    if (!(a > c))
        std::swap(a, c);
    if (!(b > c))
        std::swap(b, c);
    // Written straight into the key: the writers make one for every trio of a race.
    char16_t key[3 * 6 + 2];
    qsizetype size = 0;
    const auto put = [&](qint16 number) {
        char16_t digits[6];
        int n = 0;
        // Widened first: the smallest 16-bit number has no positive counterpart.
        int value = number;
        const bool negative = value < 0;
        unsigned magnitude = negative ? unsigned(-value) : unsigned(value);
        do {
            digits[n++] = char16_t(u'0' + magnitude % 10);
            magnitude /= 10;
        } while (magnitude != 0);
        if (negative)
            key[size++] = u'-';
        while (n > 0)
            key[size++] = digits[--n];
    };
    put(a);
    key[size++] = u'-';
    put(b);
    key[size++] = u'-';
    put(c);
    return QString(reinterpret_cast<const QChar*>(key), size);
}

} // namespace kazeyomi
