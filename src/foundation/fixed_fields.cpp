#include "foundation/fixed_fields.h"

#include <QRegularExpression>

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

} // namespace

QString rightField(const QString& text, int width)
{
    return (QString(13, u' ') + text).right(width);
}

QString formatOneDecimal(const QString& text)
{
    // Decimal arithmetic on the text, so 2.25 rounds up like 2.35 (no binary fractions).
    static const QRegularExpression number(uR"(^([+-]?)([0-9]{1,3}(?:,[0-9]{3})+|[0-9]*)(?:\.([0-9]*))?$)"_s);
    const auto match = number.match(text);
    if (text.isEmpty() || !match.hasMatch() || (match.captured(2).isEmpty() && match.captured(3).isEmpty()))
        return text;
    QString whole = match.captured(2).remove(u',');
    QString fraction = match.captured(3);
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
    const QString sign = match.captured(1) == u"-" && !zero ? u"-"_s : QString();
    return sign + whole + u'.' + tenth;
}

} // namespace kazeyomi
