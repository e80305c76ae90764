#include "fetch/page_reader.h"

#include <QFile>

#include "shell/text_codec.h"

namespace kazeyomi {

PageReader PageReader::fromFile(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return PageReader(QString());
    return PageReader(fromCp932(file.readAll()));
}

QStringList splitLines(const QString& text)
{
    QStringList lines;
    qsizetype start = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i] != u'\r')
            continue;
        lines << text.mid(start, i - start);
        if (i + 1 < text.size() && text[i + 1] == u'\n')
            ++i;
        start = i + 1;
    }
    if (start < text.size())
        lines << text.mid(start);
    return lines;
}

PageReader::PageReader(const QString& text) : m_lines(splitLines(text)) {}

bool PageReader::readLine(QString& line)
{
    if (atEnd()) {
        m_passedEnd = true;
        return false;
    }
    line = m_lines[m_next++];
    return true;
}

bool PageReader::skip(QString& line, int n)
{
    for (int i = 0; i < n; ++i)
        if (!readLine(line))
            return false;
    return true;
}

bool PageReader::readUntil(QString& line, const QString& marker)
{
    while (!line.contains(marker)) {
        if (!readLine(line))
            return false;
    }
    return true;
}

} // namespace kazeyomi
