// Text as the writers and scrapers take it: fields without their blanks, lines split at CR.
#pragma once

#include <QString>
#include <QStringList>
#include <QStringView>

namespace kazeyomi {

// Blanks (U+0020) off both ends, and nothing else: tabs and line breaks stay.
QString trimSpaces(const QString& text);
// The same as a view of the text.
QStringView withoutBlanks(QStringView text);

// Lines end at CR LF or at a lone CR (a lone LF stays inside the line); a text that ends
// with a line end has no empty last line.
QStringList splitLines(const QString& text);

} // namespace kazeyomi
