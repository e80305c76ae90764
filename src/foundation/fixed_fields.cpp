#include "foundation/fixed_fields.h"

#include <algorithm>
#include <optional>

namespace kazeyomi {

using namespace Qt::StringLiterals;

namespace {

// Adds one to a string of decimal digits.
QString incremented(QString digits)
{
    for (qsizetype i = digits.size() - 1; i >= 0; --i) {
        if (digits[i] != u'9') {
            digits[i] = QChar(digits[i].unicode() + 1);
            return digits;
        }
        digits[i] = u'0';
    }
    return u'1' + digits;
}

// A sign, whole digits (plain, or grouped in threes by commas), a point and fraction digits;
// at least one digit. The commas are gone from `whole`.
struct Number {
    bool negative = false;
    QString whole;
    QString fraction;
};

bool isDigit(QChar c)
{
    return c >= u'0' && c <= u'9';
}

std::optional<Number> parseNumber(const QString& text)
{
    Number number;
    qsizetype i = 0;
    const qsizetype n = text.size();
    if (i < n && (text[i] == u'+' || text[i] == u'-'))
        number.negative = text[i++] == u'-';
    const qsizetype wholeStart = i;
    while (i < n && isDigit(text[i]))
        ++i;
    if (i < n && text[i] == u',') {
        // Grouped: one to three digits, then one or more groups of exactly three.
        if (i - wholeStart < 1 || i - wholeStart > 3)
            return std::nullopt;
        number.whole = text.mid(wholeStart, i - wholeStart);
        while (i < n && text[i] == u',') {
            for (qsizetype k = 1; k <= 3; ++k)
                if (i + k >= n || !isDigit(text[i + k]))
                    return std::nullopt;
            number.whole += QStringView(text).mid(i + 1, 3);
            i += 4;
        }
        if (i < n && isDigit(text[i]))
            return std::nullopt;
    } else {
        number.whole = text.mid(wholeStart, i - wholeStart);
    }
    if (i < n) {
        if (text[i] != u'.')
            return std::nullopt;
        const qsizetype fractionStart = ++i;
        while (i < n && isDigit(text[i]))
            ++i;
        if (i != n)
            return std::nullopt;
        number.fraction = text.mid(fractionStart);
    }
    if (number.whole.isEmpty() && number.fraction.isEmpty())
        return std::nullopt;
    return number;
}

} // namespace

QString rightField(const QString& text, int width)
{
    const qsizetype padded = text.size() + 13;
    if (width >= padded)
        return QString(13, u' ') + text;
    if (width <= text.size())
        return text.right(width);
    return QString(width - text.size(), u' ') + text;
}

QString formatOneDecimal(const QString& text)
{
    // Odds as the sites show them, "12.3" or "0.5", are already in the form.
    const qsizetype n = text.size();
    if (n >= 3 && text[n - 2] == u'.' && isDigit(text[n - 1]) && isDigit(text[0]) && (text[0] != u'0' || n == 3) &&
        std::all_of(text.cbegin() + 1, text.cend() - 2, isDigit))
        return text;
    // Decimal arithmetic on the text, so 2.25 rounds up like 2.35 (no binary fractions).
    const std::optional<Number> parsed = parseNumber(text);
    if (!parsed)
        return text;
    QString whole = parsed->whole;
    QString fraction = parsed->fraction;
    while (whole.size() > 1 && whole.startsWith(u'0'))
        whole.remove(0, 1);
    if (whole.isEmpty())
        whole = u"0"_s;
    QString tenth = fraction.isEmpty() ? u"0"_s : fraction.left(1);
    if (fraction.size() > 1 && fraction[1] >= u'5') {
        const QString bumped = incremented(whole + tenth);
        whole = bumped.left(bumped.size() - 1);
        tenth = bumped.right(1);
    }
    const bool zero = whole == u"0" && tenth == u"0";
    const QString sign = parsed->negative && !zero ? u"-"_s : QString();
    return sign + whole + u'.' + tenth;
}

} // namespace kazeyomi
