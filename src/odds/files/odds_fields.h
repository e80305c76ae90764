// The field every pair, trio and trifecta odds file is made of: the horses as two digits joined
// by "-", then the odds right-aligned in 8 characters.
#pragma once

#include <initializer_list>

#include <QString>
#include <QStringView>

namespace kazeyomi {

// Adds "01-02" or "01-02-03", then the odds in the "0.0" form right-aligned in 8 characters;
// "***" and other text kept as they are, a longer text cut to its last 8 characters.
void appendOddsField(QString& line, std::initializer_list<int> horses, const QString& odds);

// A horse number as a label text: "1" to "99" are made once and shared, other numbers made anew.
QString numberLabel(int number);

// Empty, or blanks only: the cell of a pair or trio the page shows no odds for.
bool isBlank(QStringView text);

} // namespace kazeyomi
