// The win and place history files ".tanA", ".Fuk1" and ".Fuk2" from VSFlexGrid3:
// the odds time stamp and sixteen 8-character fields, one per horse number.
#pragma once

#include <QString>

#include "foundation/file_writer.h"

namespace kazeyomi {

struct Context;

// A value as the "0.0" pattern shows it: numbers get one decimal; other text stays.
QString formatOneDecimal(const QString& text);
// Right-aligned in `width` characters: blanks in front, only the last `width` kept.
QString rightField(const QString& text, int width);

// The snapshot line of one writer: Text9 and 16 fields from the grid column.
QString tanFukuLine(const Context& ctx, int column);

// Each returns an empty text, or what failed and where; a failure ends that writer only.
[[nodiscard]] QString TanA_write(const Context& ctx, const FileDevices& devices = realFiles());
[[nodiscard]] QString Fuk1_write(const Context& ctx, const FileDevices& devices = realFiles());
[[nodiscard]] QString Fuk2_write(const Context& ctx, const FileDevices& devices = realFiles());

} // namespace kazeyomi
