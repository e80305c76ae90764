#include "odds/files/odds_fields.h"

#include "foundation/fixed_fields.h"
#include "foundation/text_fields.h"

namespace kazeyomi {

using namespace Qt::StringLiterals;

namespace {

constexpr int kOddsWidth = 8;

} // namespace

QString oddsField(std::initializer_list<int> horses, const QString& odds)
{
    QString field;
    field.reserve(16);
    for (int horse : horses) {
        if (!field.isEmpty())
            field += u'-';
        if (horse >= 0 && horse < 100)
            field.append(QChar(u'0' + horse / 10)).append(QChar(u'0' + horse % 10));
        else
            field += QString::number(horse);
    }
    return field + rightField(formatOneDecimal(trimSpaces(odds)), kOddsWidth);
}

} // namespace kazeyomi
