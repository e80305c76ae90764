#include "scraping/work_file.h"

#include "fetch/page_fetcher.h"
#include "foundation/text_codec.h"

namespace kazeyomi {

using namespace Qt::StringLiterals;

QString replaceInOrder(QString line, std::span<const Replacement> replacements)
{
    for (const Replacement& r : replacements)
        line.replace(r.from, r.to);
    return line;
}

WorkFile::WorkFile(const PageFetcher& fetcher) : m_path(fetcher.path(u"tmp2.txt"_s)) {}

void WorkFile::addQuoted(const QString& text)
{
    m_text += u'"' + text + u"\"\r\n"_s;
}

void WorkFile::addLine(const QString& line)
{
    m_text += line + u"\r\n"_s;
}

Outcome WorkFile::write()
{
    m_written.clear();
    QByteArray bytes = toCp932(m_text);
    Outcome written = FileWriter().write(m_path, bytes);
    if (written.ok())
        m_written = std::move(bytes);
    return written;
}

PageReader WorkFile::readBack() const
{
    // What was written is what the file reads back as, when the code page has every character.
    if (roundTripsCp932(m_text) && !m_written.isEmpty())
        return PageReader(m_text);
    return PageReader(fromCp932(m_written));
}

} // namespace kazeyomi
