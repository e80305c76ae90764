// Reading a page cache or work file the way the scrapers do: one line in hand, replaced
// by each read; a read past the end fails and keeps the line in hand.
#pragma once

#include <QString>
#include <QStringList>
#include <QStringView>

#include "foundation/text_fields.h"
// Every loop over a page skips its failing statements: the reader comes with `attempt`.
#include "scraping/attempt.h"

namespace kazeyomi {

class PageReader {
public:
    // Reads the CP932 file; a missing file reads as a page without lines.
    static PageReader fromFile(const QString& path);
    // The text's lines end at CR LF or a lone CR, as splitLines cuts them; they are found as
    // they are read, not all at once.
    explicit PageReader(const QString& text) : m_text(text), m_fromText(true) {}
    explicit PageReader(QStringList lines) : m_lines(std::move(lines)) {}

    // The next line into `line`; at the end `line` is left as it was and false comes back.
    bool readLine(QString& line);
    // The same without a copy: the view stands for the line while the reader lives.
    bool readLine(QStringView& line);
    // n reads; false when the end came first (the line in hand is then the last one read).
    bool skip(QString& line, int n);
    bool atEnd() const { return m_fromText ? m_at >= m_text.size() : m_next >= m_lines.size(); }
    // Set once a read has passed the end: loops that would wait for a marker stop here.
    bool passedEnd() const { return m_passedEnd; }

    // Tests the line in hand first, then reads until the line contains `marker`.
    // False at the end of the page; the line in hand is then the last line.
    bool readUntil(QString& line, const QString& marker);

    int lineCount() const;

private:
    // The next line as a view, or false at the end (which is then marked as passed).
    bool next(QStringView& line);

    QStringList m_lines;
    qsizetype m_next = 0;
    QString m_text;     // read from here instead when m_fromText
    qsizetype m_at = 0; // where the next line of m_text starts
    bool m_fromText = false;
    bool m_passedEnd = false;
};

} // namespace kazeyomi
