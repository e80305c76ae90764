#include "foundation/free_format_reader.h"

namespace kazeyomi {

namespace {

bool isBlank(QChar c)
{
    return c == u' ' || c == u'\t';
}
bool isLineEnd(QChar c)
{
    return c == u'\r' || c == u'\n';
}

} // namespace

FreeFormatReader::FreeFormatReader(QString text, TrailingBlanks trailing)
    : m_text(std::move(text)), m_trailing(trailing)
{
}

// Empty lines hold no field; a trailing line end must not produce one more record.
void FreeFormatReader::skipBlankLines()
{
    for (;;) {
        qsizetype p = m_pos;
        while (p < m_text.size() && isBlank(m_text[p]))
            ++p;
        if (p < m_text.size() && isLineEnd(m_text[p])) {
            if (m_text[p] == u'\r' && p + 1 < m_text.size() && m_text[p + 1] == u'\n')
                ++p;
            m_pos = p + 1;
            ++m_line;
            continue;
        }
        if (p >= m_text.size())
            m_pos = p;
        return;
    }
}

bool FreeFormatReader::atEnd()
{
    skipBlankLines();
    return m_pos >= m_text.size();
}

bool FreeFormatReader::next(QString& field, int* line)
{
    if (atEnd())
        return false;
    while (isBlank(m_text[m_pos]))
        ++m_pos;
    if (line)
        *line = m_line;
    field.clear();
    if (m_pos < m_text.size() && m_text[m_pos] == u'"') {
        const qsizetype close = m_text.indexOf(u'"', m_pos + 1);
        const qsizetype end = close < 0 ? m_text.size() : close;
        field = m_text.mid(m_pos + 1, end - m_pos - 1);
        for (QChar c : field)
            if (c == u'\n')
                ++m_line;
        m_pos = close < 0 ? m_text.size() : close + 1;
        // Whatever stands between the closing quote and the separator is dropped.
        while (m_pos < m_text.size() && m_text[m_pos] != u',' && !isLineEnd(m_text[m_pos]))
            ++m_pos;
    } else {
        const qsizetype start = m_pos;
        while (m_pos < m_text.size() && m_text[m_pos] != u',' && !isLineEnd(m_text[m_pos]))
            ++m_pos;
        qsizetype end = m_pos;
        if (m_trailing == TrailingBlanks::Drop)
            while (end > start && isBlank(m_text[end - 1]))
                --end;
        field = m_text.mid(start, end - start);
    }
    if (m_pos < m_text.size()) {
        if (m_text[m_pos] == u',') {
            ++m_pos;
        } else {
            if (m_text[m_pos] == u'\r' && m_pos + 1 < m_text.size() && m_text[m_pos + 1] == u'\n')
                ++m_pos;
            ++m_pos;
            ++m_line;
        }
    }
    return true;
}

} // namespace kazeyomi
