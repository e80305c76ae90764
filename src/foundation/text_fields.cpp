#include "foundation/text_fields.h"

namespace kazeyomi {

using namespace Qt::StringLiterals;

QStringView withoutBlanks(QStringView text)
{
    qsizetype start = 0;
    qsizetype end = text.size();
    while (start < end && text[start] == u' ')
        ++start;
    while (end > start && text[end - 1] == u' ')
        --end;
    return text.mid(start, end - start);
}

QString trimSpaces(const QString& text)
{
    const QStringView cut = withoutBlanks(text);
    // Most cells have no blanks: they are shared, not copied.
    return cut.size() == text.size() ? text : cut.toString();
}

QStringList splitLines(const QString& text)
{
    QStringList lines;
    qsizetype start = 0;
    for (qsizetype i = text.indexOf(u'\r'); i >= 0; i = text.indexOf(u'\r', start)) {
        lines << text.mid(start, i - start);
        if (i + 1 < text.size() && text[i + 1] == u'\n')
            ++i;
        start = i + 1;
    }
    if (start < text.size())
        lines << text.mid(start);
    return lines;
}

} // namespace kazeyomi
