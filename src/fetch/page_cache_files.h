// The page cache files of the application folder: "tmp.txt", the rendered page every scraper
// reads, the browser's "tmp.html" and "tmp.html2", and the blank page "a.html" beside them.
#pragma once

#include <QByteArray>
#include <QString>

#include "foundation/outcome.h"

namespace kazeyomi {

class PageCacheFiles {
public:
    // Creates the folder.
    explicit PageCacheFiles(QString appDir);

    QString path(const QString& name) const;
    // Writes the blank page the browser is sent to after each fetch, unless it is there.
    Outcome writeBlankPage() const;
    // Deletes tmp.txt, tmp.html and tmp.html2 (not tmp2.txt or a.html): the first of them
    // still there after the attempt, empty when all are gone.
    [[nodiscard]] QString removePages() const;
    // Replaces tmp.txt whole: a scraper never reads half a page, nor an empty one after a
    // full disk.
    Outcome writePage(const QByteArray& bytes) const;

private:
    QString m_appDir;
};

} // namespace kazeyomi
