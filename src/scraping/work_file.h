// The work file "tmp2.txt": the pair, trio and trifecta pages carry their odds tables on a
// few long lines, which a scraper reshapes with a fixed list of replacements into one line
// per odds cell, writes here and reads back line by line.
#pragma once

#include <span>

#include <QString>

#include "foundation/file_writer.h"
#include "scraping/page_reader.h"

namespace kazeyomi {

class PageFetcher;

struct Replacement {
    QString from; // compared exactly, letter case included
    QString to;
};

// Applies each replacement to every occurrence in `line`, in the order of the list: a later
// replacement sees what the earlier ones made.
QString replaceInOrder(QString line, std::span<const Replacement> replacements);

class WorkFile {
public:
    // The work file of the application folder the fetcher keeps its page cache in.
    explicit WorkFile(const PageFetcher& fetcher);
    explicit WorkFile(QString path) : m_path(std::move(path)) {}

    // One record in quotation marks, as the page cache holds its page: a quotation mark, the
    // text, a quotation mark, CR LF. The text keeps the line breaks it holds, so the first
    // line read back starts with the quotation mark.
    void addQuoted(const QString& text);
    // Takes back what was added after the first `size` characters.
    void truncate(qsizetype size) { m_text.truncate(size); }
    // Room for this many characters, so that the text grows without copies.
    void reserve(qsizetype characters) { m_text.reserve(characters); }
    // One line as it is, then CR LF.
    void addLine(QStringView line);
    // One line that `make` appends to the text it is given, then CR LF.
    template <typename Make> void addLineMadeBy(Make&& make)
    {
        make(m_text);
        m_text += u"\r\n";
    }

    // Replaces the file with what was added, in CP932. A failed write leaves no work file and
    // is a failure naming the file, not a page without data.
    [[nodiscard]] Outcome write();
    // What the last successful write() put in the file, line by line, from memory: the file
    // is kept for other programs, never read again. No lines before a write or after a failed one.
    [[nodiscard]] PageReader readBack() const;

    const QString& path() const { return m_path; }
    const QString& text() const { return m_text; }

    struct Encoded {
        QByteArray bytes;
        bool roundTrips = true; // every character reads back as itself
    };
    // The text in CP932, byte for byte what toCp932 gives.
    static Encoded encode(const QString& text);

private:
    QString m_path;
    QString m_text;
    QByteArray m_written;  // the bytes of the last successful write
    QString m_writtenText; // the text written, when it reads back as itself; null otherwise
};

} // namespace kazeyomi
