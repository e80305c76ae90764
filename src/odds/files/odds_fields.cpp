#include "odds/files/odds_fields.h"

#include <algorithm>
#include <array>

#include "foundation/fixed_fields.h"

namespace kazeyomi {

using namespace Qt::StringLiterals;

namespace {

constexpr int kOddsWidth = 8;
constexpr qsizetype kMostHorses = 3;

} // namespace

void appendOddsField(QString& line, std::initializer_list<int> horses, const QString& odds)
{
    // The whole field built here and added in one piece: "01-02-03" and the 8 odds characters.
    char16_t field[kMostHorses * 3 + kOddsWidth];
    qsizetype size = 0;
    const bool twoDigits = qsizetype(horses.size()) <= kMostHorses &&
                           std::all_of(horses.begin(), horses.end(), [](int h) { return h >= 0 && h < 100; });
    if (twoDigits) {
        for (int horse : horses) {
            if (size != 0)
                field[size++] = u'-';
            field[size++] = char16_t(u'0' + horse / 10);
            field[size++] = char16_t(u'0' + horse % 10);
        }
    } else {
        bool first = true;
        for (int horse : horses) {
            if (!first)
                line += u'-';
            first = false;
            line += u"%1"_s.arg(horse, 2, 10, QChar(u'0'));
        }
    }
    size += writeOneDecimalField(field + size, odds, kOddsWidth);
    const qsizetype at = line.size();
    line.resize(at + size);
    std::copy_n(field, size, reinterpret_cast<char16_t*>(line.data()) + at);
}

QString numberLabel(int number)
{
    static const std::array<QString, 100> kLabels = [] {
        std::array<QString, 100> labels;
        for (int n = 0; n < 100; ++n)
            labels[size_t(n)] = QString::number(n);
        return labels;
    }();
    return number >= 0 && number < 100 ? kLabels[size_t(number)] : QString::number(number);
}

bool isBlank(QStringView text)
{
    return std::all_of(text.begin(), text.end(), [](QChar c) { return c == u' '; });
}

} // namespace kazeyomi
