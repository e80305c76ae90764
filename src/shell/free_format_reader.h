// Reads the comma-separated fields of the companion program's files the way a BASIC
// "Input #" statement does: commas or line ends separate, quotes enclose, leading blanks skip.
#pragma once

#include <QString>

namespace kazeyomi {

class FreeFormatReader {
public:
    explicit FreeFormatReader(QString text);

    // False at the end of the text. `line` is the 1-based line the field starts on.
    bool next(QString& field, int* line = nullptr);
    bool atEnd();

private:
    void skipBlankLines();

    QString m_text;
    qsizetype m_pos = 0;
    int m_line = 1;
};

} // namespace kazeyomi
