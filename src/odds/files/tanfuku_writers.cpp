#include "odds/files/tanfuku_writers.h"

#include <QRegularExpression>

#include "odds/files/odds_history.h"
#include "foundation/context.h"
#include "foundation/controls.h"
#include "foundation/form_state.h"
#include "foundation/text_fields.h"

namespace kazeyomi {

using namespace Qt::StringLiterals;

namespace {

constexpr int kHorses = 16;
constexpr int kFieldWidth = 8;

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

QString formatOneDecimal(const QString& text)
{
    // Digits with optional thousands separators and an optional fraction; decimal
    // arithmetic on the text, so 2.25 rounds up like 2.35 (half away from zero).
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

QString rightField(const QString& text, int width)
{
    return (QString(13, u' ') + text).right(width);
}

QString tanFukuLine(const Context& ctx, int column)
{
    const GridModel& grid = ctx.form.grid(Grid::VSFlexGrid3);
    QString line = ctx.form.text(Control::Text9);
    for (int k = 1; k <= kHorses; ++k) {
        // No win odds: the horse is not in the race, whatever the place columns hold.
        if (trimSpaces(grid.textMatrix(k, 1)).isEmpty())
            line += rightField(u"0.0"_s, kFieldWidth);
        else
            line += rightField(formatOneDecimal(trimSpaces(grid.textMatrix(k, column))), kFieldWidth);
    }
    return line;
}

// The win/place lines carry no line end of their own; the append adds it.
QString TanA_write(const Context& ctx, const FileDevices& devices)
{
    return writeOddsLine(ctx, u"tanA"_s, tanFukuLine(ctx, 1), false, devices);
}

QString Fuk1_write(const Context& ctx, const FileDevices& devices)
{
    return writeOddsLine(ctx, u"Fuk1"_s, tanFukuLine(ctx, 2), false, devices);
}

QString Fuk2_write(const Context& ctx, const FileDevices& devices)
{
    return writeOddsLine(ctx, u"Fuk2"_s, tanFukuLine(ctx, 3), false, devices);
}

} // namespace kazeyomi
