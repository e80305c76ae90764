#include "foundation/fixed_fields.h"

#include <algorithm>
#include <iterator>
#include <string>

#include <QVarLengthArray>

#include "foundation/text_fields.h"

namespace kazeyomi {

namespace {

constexpr int kBlanksInFront = 13;

bool isDigit(QChar c)
{
    return c >= u'0' && c <= u'9';
}

// A number in the "0.0" form, kept in a buffer of the caller's with room for two characters
// more than the text has: the digits before the point and the one after it, without the
// point, and a minus in front when the value is not zero.
struct OneDecimal {
    bool minus = false;
    const char16_t* digits = nullptr;
    qsizetype count = 0;

    qsizetype size() const { return (minus ? 1 : 0) + count + 1; }
    // Writes size() characters.
    void writeTo(char16_t* out) const
    {
        if (minus)
            *out++ = u'-';
        out = std::copy_n(digits, count - 1, out);
        *out++ = u'.';
        *out = digits[count - 1];
    }
};

// Already in the form: no sign, no separator, no leading zero, one digit after the point
// ("12.3", "0.5"), as the sites show odds.
bool inForm(QStringView text)
{
    const qsizetype n = text.size();
    if (n < 3 || text[n - 2] != u'.' || !isDigit(text[n - 1]) || !isDigit(text[0]) || (text[0] == u'0' && n != 3))
        return false;
    for (qsizetype i = 1; i < n - 2; ++i)
        if (!isDigit(text[i]))
            return false;
    return true;
}

// A sign, whole digits (plain, or grouped in threes by commas), a point and fraction digits,
// at least one digit: rounded to one decimal by decimal arithmetic on the digits, so 2.25
// rounds up like 2.35 (no binary fractions). False for any other text.
bool toOneDecimal(QStringView text, char16_t* buffer, OneDecimal& number)
{
    qsizetype i = 0;
    const qsizetype n = text.size();
    bool negative = false;
    if (i < n && (text[i] == u'+' || text[i] == u'-'))
        negative = text[i++] == u'-';
    // One place in front for a carry out of the highest digit.
    char16_t* const digits = buffer + 1;
    qsizetype count = 0;
    const qsizetype wholeStart = i;
    while (i < n && isDigit(text[i]))
        digits[count++] = text[i++].unicode();
    if (i < n && text[i] == u',') {
        // Grouped: one to three digits, then one or more groups of exactly three.
        if (i - wholeStart < 1 || i - wholeStart > 3)
            return false;
        while (i < n && text[i] == u',') {
            for (qsizetype k = 1; k <= 3; ++k) {
                if (i + k >= n || !isDigit(text[i + k]))
                    return false;
                digits[count++] = text[i + k].unicode();
            }
            i += 4;
        }
        if (i < n && isDigit(text[i]))
            return false;
    }
    QStringView fraction;
    if (i < n) {
        if (text[i] != u'.')
            return false;
        const qsizetype fractionStart = ++i;
        while (i < n && isDigit(text[i]))
            ++i;
        if (i != n)
            return false;
        fraction = text.mid(fractionStart);
    }
    if (count == 0 && fraction.isEmpty())
        return false;
    qsizetype first = 0;
    while (first + 1 < count && digits[first] == u'0')
        ++first;
    if (count == 0)
        digits[count++] = u'0';
    digits[count++] = fraction.isEmpty() ? u'0' : fraction[0].unicode();
    if (fraction.size() > 1 && fraction[1] >= u'5') {
        qsizetype at = count - 1;
        while (at >= first && digits[at] == u'9')
            digits[at--] = u'0';
        if (at >= first)
            ++digits[at];
        else
            digits[--first] = u'1';
    }
    number.digits = digits + first;
    number.count = count - first;
    const bool zero = number.count == 2 && number.digits[0] == u'0' && number.digits[1] == u'0';
    number.minus = negative && !zero;
    return true;
}

// Room for the digits of any text of `size` characters and a carry.
class DigitBuffer {
public:
    explicit DigitBuffer(qsizetype size)
    {
        if (size + 2 > qsizetype(std::size(m_local))) {
            m_heap.resize(size_t(size) + 2);
            m_data = m_heap.data();
        }
    }
    char16_t* data() { return m_data; }

private:
    char16_t m_local[48];
    std::u16string m_heap;
    char16_t* m_data = m_local;
};

// The blanks rightField puts in front of a text of `size` characters in `width`.
qsizetype blanksInFront(qsizetype size, int width)
{
    if (width >= size + kBlanksInFront)
        return kBlanksInFront;
    return width <= size ? 0 : width - size;
}

} // namespace

QString rightField(const QString& text, int width)
{
    if (width <= text.size())
        return text.right(width);
    return QString(blanksInFront(text.size(), width), u' ') + text;
}

QString formatOneDecimal(const QString& text)
{
    if (inForm(text))
        return text;
    DigitBuffer buffer(text.size());
    OneDecimal number;
    if (!toOneDecimal(text, buffer.data(), number))
        return text;
    QString shown(number.size(), Qt::Uninitialized);
    number.writeTo(reinterpret_cast<char16_t*>(shown.data()));
    return shown;
}

qsizetype writeOneDecimalField(char16_t* out, QStringView text, int width)
{
    text = withoutBlanks(text);
    // A number not yet in the form; "12.3" and "***" go in as they are.
    const bool mayFormat =
        !text.isEmpty() && !inForm(text) && (isDigit(text[0]) || text[0] == u'.' || text[0] == u'+' || text[0] == u'-');
    if (mayFormat) {
        DigitBuffer buffer(text.size());
        OneDecimal number;
        if (toOneDecimal(text, buffer.data(), number)) {
            const qsizetype size = number.size();
            const qsizetype blanks = blanksInFront(size, width);
            char16_t* at = std::fill_n(out, blanks, u' ');
            if (width >= size) {
                number.writeTo(at);
                return blanks + size;
            }
            // Only the last characters are kept: the field is shorter than the number.
            std::u16string whole(size_t(size), u' ');
            number.writeTo(whole.data());
            std::copy_n(whole.data() + (size - width), width, at);
            return width;
        }
    }
    const qsizetype size = text.size();
    const qsizetype kept = std::min<qsizetype>(width, size);
    char16_t* at = std::fill_n(out, blanksInFront(size, width), u' ');
    std::copy_n(text.utf16() + (size - kept), kept, at);
    return (at - out) + kept;
}

void appendOneDecimalField(QString& line, QStringView text, int width)
{
    if (width < 0) { // keeps the whole text, as QString::right does
        line += formatOneDecimal(withoutBlanks(text).toString());
        return;
    }
    QVarLengthArray<char16_t, 64> field(width);
    const qsizetype size = writeOneDecimalField(field.data(), text, width);
    line.append(reinterpret_cast<const QChar*>(field.data()), size);
}

} // namespace kazeyomi
