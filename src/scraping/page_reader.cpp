#include "scraping/page_reader.h"

#include <QFile>

#include "foundation/text_codec.h"
#include "foundation/text_fields.h"

namespace kazeyomi {

PageReader PageReader::fromFile(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return PageReader(QString());
    return PageReader(fromCp932(file.readAll()));
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
