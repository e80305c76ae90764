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
    for (int horse : horses) {
        if (!field.isEmpty())
            field += u'-';
        field += u"%1"_s.arg(horse, 2, 10, QChar(u'0'));
    }
    return field + rightField(formatOneDecimal(trimSpaces(odds)), kOddsWidth);
}

} // namespace kazeyomi
