// Rendering a fetched page as the browser gives it, and the page cache text made of it. Pure
// functions of their inputs: the render workers run them away from the window's thread.
#pragma once

#include <memory>

#include <QByteArray>
#include <QString>
#include <QStringList>

#include "fetch/html_renderer.h"
#include "fetch/page_tables.h"

namespace kazeyomi {

// A page rendered as the browser gives it, or why it was not.
struct [[nodiscard]] RenderedPage {
    QString markup;
    QString error;
    PageTables tables; // only when asked for
    bool ok() const { return error.isEmpty(); }
};

// A page made ready for the page cache, away from the window's thread: the bytes of tmp.txt
// and the text the scrapers read from it, line by line as they go.
struct PreparedPage {
    QString error; // why the page could not be rendered; nothing else is set then
    QByteArray bytes;
    QString text;      // what the bytes read back as
    PageTables tables; // what the page shows, read from the same parse
};
using SharedPage = std::shared_ptr<const PreparedPage>;

// The page's body markup as the browser gives it from the file the fetch leaves for it:
// character set found, scripts disabled, the CR LF the file ends with, serialised in
// `style`. A page nested too deep for the parser is refused.
RenderedPage renderPage(const QByteArray& body, const QByteArray& contentType, MarkupStyle style,
                        bool withTables = false);
// The quoted page cache form of a body markup: line ends made CR LF, quotes doubled.
QString cacheText(const QString& bodyMarkup);
// The page rendered straight into its page cache form: cacheText of renderPage's markup.
RenderedPage renderCacheText(const QByteArray& body, const QByteArray& contentType, MarkupStyle style,
                             bool withTables = false);
// The page rendered and made ready for tmp.txt.
SharedPage preparePage(const QByteArray& body, const QByteArray& contentType, MarkupStyle style);

} // namespace kazeyomi
