#include "odds/files/odds_fields.h"

#include "foundation/fixed_fields.h"
#include "foundation/text_fields.h"

namespace kazeyomi {

using namespace Qt::StringLiterals;

namespace {

constexpr int kOddsWidth = 8;

} // namespace

void appendOddsField(QString& line, std::initializer_list<int> horses, const QString& odds)
{
    bool first = true;
    for (int horse : horses) {
        if (!first)
            line += u'-';
        first = false;
        if (horse >= 0 && horse < 100)
            line.append(QChar(u'0' + horse / 10)).append(QChar(u'0' + horse % 10));
        else
            line += u"%1"_s.arg(horse, 2, 10, QChar(u'0'));
    }
    // As rightField would give it, without a string of its own for each field.
    const QString shown = formatOneDecimal(trimSpaces(odds));
    if (shown.size() >= kOddsWidth) {
        line += QStringView(shown).right(kOddsWidth);
        return;
    }
    line.append(QString(kOddsWidth - shown.size(), u' ')).append(shown);
}

} // namespace kazeyomi
