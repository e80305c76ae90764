// Reads the comma-separated fields of the companion program's files the way a BASIC
// "Input #" statement does: commas or line ends separate, quotes enclose, leading blanks skip.
#pragma once

#include <QString>

namespace kazeyomi {

class FreeFormatReader {
public:
    // Drop: an unquoted field loses its trailing blanks too, as "Input #" reads it; a quoted
    // field keeps its blanks either way. Keep: the odds snapshot line is taken as it stands.
    enum class TrailingBlanks { Keep, Drop };

    explicit FreeFormatReader(QString text, TrailingBlanks trailing = TrailingBlanks::Keep);

    // False at the end of the text. `line` is the 1-based line the field starts on.
    bool next(QString& field, int* line = nullptr);
    bool atEnd();

private:
    void skipBlankLines();

    QString m_text;
    TrailingBlanks m_trailing;
    qsizetype m_pos = 0;
    int m_line = 1;
};

} // namespace kazeyomi
