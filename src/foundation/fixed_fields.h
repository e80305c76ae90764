// The fixed-width fields of the odds and result files: other programs cut the lines at
// fixed character positions, so every writer builds its fields here.
#pragma once

#include <QString>
#include <QStringView>

namespace kazeyomi {

// Right-aligned in `width` characters: 13 blanks in front, only the last `width` kept, so
// a longer text loses its leading characters. Widths count characters, not bytes.
QString rightField(const QString& text, int width);

// A value as the "0.0" pattern shows it: a number (thousands separators allowed) gets at
// least one digit before the point and exactly one after it, rounded half away from zero;
// any other text, "***" or empty included, stays as it is.
QString formatOneDecimal(const QString& text);

// Writes what rightField(formatOneDecimal(text without its outer blanks), width) gives into
// `out`, which has room for `width` (not negative) characters, and returns how many it wrote.
qsizetype writeOneDecimalField(char16_t* out, QStringView text, int width);

// Appends what rightField(formatOneDecimal(text without its outer blanks), width) gives,
// without a string of its own: the writers add thousands of such fields a cycle.
void appendOneDecimalField(QString& line, QStringView text, int width);

} // namespace kazeyomi
