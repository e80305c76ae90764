// The fixed-width fields of the odds and result files: other programs cut the lines at
// fixed character positions, so every writer builds its fields here.
#pragma once

#include <QString>

namespace kazeyomi {

// Right-aligned in `width` characters: 13 blanks in front, only the last `width` kept, so
// a longer text loses its leading characters. Widths count characters, not bytes.
QString rightField(const QString& text, int width);

// A value as the "0.0" pattern shows it: a number (thousands separators allowed) gets at
// least one digit before the point and exactly one after it, rounded half away from zero;
// any other text, "***" or empty included, stays as it is.
QString formatOneDecimal(const QString& text);

} // namespace kazeyomi
