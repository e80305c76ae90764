// Turns a fetched page into the markup of its body as a browser's body.innerHTML shows
// it; the scrapers match patterns in this text, so it must be what a browser would give.
#pragma once

#include <string>

#include <QByteArray>
#include <QString>

namespace kazeyomi {

struct PageTables;

// How the browser writes markup: today's for the racing site, an old one's for the portal.
enum class MarkupStyle { Modern, Legacy };

// Parses html as an HTML5 document and writes out the children of its body element
// (or frameset). Modern follows today's fragment serialisation; Legacy imitates an old
// browser: upper-case tags, bare or unquoted attribute values, noWrap-style names.
// Text keeps the page's own line breaks, each written as LF. The text given is let go before
// the parse, so that a large page is not held twice. With `tables`, the page's tables are read
// from the same parse.
QString renderBody(QString html, MarkupStyle style, PageTables* tables = nullptr);
// The same from the page's UTF-8 bytes to UTF-8 markup, without a conversion of its own:
// pages come as UTF-8 and the parser reads nothing else. The bytes are let go after the walk.
std::string renderBodyUtf8(QByteArray html, MarkupStyle style, PageTables* tables = nullptr);

} // namespace kazeyomi
