#include "scraping/page_reader.h"

#include <QFile>

#include "foundation/text_codec.h"
#include "scraping/text_helpers.h"

namespace kazeyomi {

PageReader PageReader::fromFile(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return PageReader(QString());
    return PageReader(fromCp932(file.readAll()));
}

bool PageReader::next(QStringView& line)
{
    if (atEnd()) {
        m_passedEnd = true;
        return false;
    }
    if (!m_fromText) {
        line = m_lines[m_next++];
        return true;
    }
    const char16_t* units = reinterpret_cast<const char16_t*>(m_text.constData());
    const qsizetype size = m_text.size();
    const qsizetype end = findUnit(units, m_at, size, u'\r');
    line = QStringView(units + m_at, end - m_at);
    m_at = end + 1;
    if (m_at < size && units[m_at] == u'\n')
        ++m_at;
    return true;
}

bool PageReader::readLine(QStringView& line)
{
    return next(line);
}

bool PageReader::readLine(QString& line)
{
    if (!m_fromText) {
        if (atEnd()) {
            m_passedEnd = true;
            return false;
        }
        line = m_lines[m_next++]; // shared, not copied
        return true;
    }
    QStringView view;
    if (!next(view))
        return false;
    line = view.toString();
    return true;
}

bool PageReader::skip(QString& line, int n)
{
    // Only the last line read is kept in hand.
    QStringView last;
    bool read = false;
    bool complete = true;
    for (int i = 0; i < n; ++i) {
        if (!next(last)) {
            complete = false;
            break;
        }
        read = true;
    }
    if (read)
        line = m_fromText ? last.toString() : m_lines[m_next - 1];
    return complete;
}

bool PageReader::readUntil(QString& line, const QString& marker)
{
    if (indexOfExactly(line, marker) >= 0)
        return true;
    QStringView view;
    bool read = false;
    bool found = false;
    while (next(view)) {
        read = true;
        if (indexOfExactly(view, marker) >= 0) {
            found = true;
            break;
        }
    }
    if (read)
        line = m_fromText ? view.toString() : m_lines[m_next - 1];
    return found;
}

int PageReader::lineCount() const
{
    if (!m_fromText)
        return int(m_lines.size());
    PageReader counter(m_text);
    int lines = 0;
    QStringView line;
    while (counter.next(line))
        ++lines;
    return lines;
}

} // namespace kazeyomi
