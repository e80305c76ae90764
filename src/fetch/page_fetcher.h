// Fetches a page, renders it and leaves its body markup in the page cache text "tmp.txt"
// of the application folder, where every scraper reads it.
#pragma once

#include <QString>

#include "shell/settings.h"

namespace kazeyomi {

class FormState;
class PageSource;

inline const QString kIfModifiedSince = QStringLiteral("Sat, 29 Oct 1994 19:43:31 GMT");

class PageFetcher {
public:
    PageFetcher(FormState& form, PageSource& source, QString appDir, MarkupStyle style);

    // Fetches `a` into tmp.txt. After a failure there is no tmp.txt and the failure is in
    // the fetch log; an empty `a` fetches nothing and leaves the cache files as they were.
    void Navigate2(const QString& a);
    // Loads a page for the race card capture; the rendered body comes back in the legacy style.
    QString Navigate1(const QString& a);
    // Deletes tmp.txt, tmp.html and tmp.html2 (not tmp2.txt or a.html).
    void Tmp_Delete();

    QString path(const QString& name) const;
    // Empty after a successful fetch.
    const QString& lastError() const { return m_lastError; }

    // The page's body markup as the browser would give it: character set found, scripts
    // disabled, serialised in `style`.
    static QString renderPage(const QByteArray& body, const QByteArray& contentType, MarkupStyle style);
    // The quoted page cache form of a body markup: line ends made CR LF, quotes doubled.
    static QString cacheText(const QString& bodyMarkup);

private:
    bool fetchAndRender(const QString& url, MarkupStyle style, QString& markup);
    void fail(const QString& message);

    FormState& m_form;
    PageSource& m_source;
    QString m_appDir;
    MarkupStyle m_style;
    QString m_lastError;
};

} // namespace kazeyomi
