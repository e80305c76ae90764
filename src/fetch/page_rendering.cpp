#include "fetch/page_rendering.h"

#include <utility>

#include "fetch/nesting_guard.h"
#include "fetch/page_charset.h"
#include "foundation/text_codec.h"
#include "foundation/text_fields.h"

namespace kazeyomi {

using namespace Qt::StringLiterals;

namespace {

// The browser never sees a script: every "<script" start becomes an unknown "<Sscript" element.
QString disableScripts(const QString& html)
{
    const QString needle = u"<script"_s;
    QString out;
    out.reserve(html.size() + html.size() / 64);
    qsizetype from = 0;
    for (qsizetype p = html.indexOf(needle, 0, Qt::CaseInsensitive); p >= 0;
         p = html.indexOf(needle, from, Qt::CaseInsensitive)) {
        out += QStringView(html).mid(from, p - from);
        out += u"<Sscript"_s;
        from = p + needle.size();
    }
    out += QStringView(html).mid(from);
    return out;
}

} // namespace

RenderedPage renderPage(const QByteArray& body, const QByteArray& contentType, MarkupStyle style, bool withTables)
{
    // The browser is given the page as the fetch writes it for it: the body, then CR LF.
    // The text comes from the response bytes all the same, so that the character set is
    // the page's own and not the code page the file is written in.
    QString html = disableScripts(decodePage(body, contentType));
    html += u"\r\n"_s;
    if (const int depth = estimatedNestingDepth(html); depth > kMaxNestingDepth)
        return {{}, u"the page nests %1 elements deep and is not rendered"_s.arg(depth), {}};
    RenderedPage page;
    page.markup = renderBody(std::move(html), style, withTables ? &page.tables : nullptr);
    return page;
}

QString cacheText(const QString& bodyMarkup)
{
    // In one pass: every line end (CR LF, CR or LF) becomes CR LF and every quote is doubled.
    QString text;
    text.reserve(bodyMarkup.size() + bodyMarkup.size() / 8 + 4);
    text += u'"';
    const qsizetype n = bodyMarkup.size();
    for (qsizetype i = 0; i < n; ++i) {
        const QChar c = bodyMarkup[i];
        if (c == u'\r') {
            if (i + 1 < n && bodyMarkup[i + 1] == u'\n')
                ++i;
            text += u"\r\n"_s;
        } else if (c == u'\n') {
            text += u"\r\n"_s;
        } else if (c == u'"') {
            text += u"\"\""_s;
        } else {
            text += c;
        }
    }
    return text + u"\"\r\n"_s;
}

SharedPage preparePage(const QByteArray& body, const QByteArray& contentType, MarkupStyle style)
{
    auto prepared = std::make_shared<PreparedPage>();
    RenderedPage rendered = renderPage(body, contentType, style, true);
    if (!rendered.ok()) {
        prepared->error = std::move(rendered.error);
        return prepared;
    }
    prepared->tables = std::move(rendered.tables);
    const QString text = cacheText(std::exchange(rendered.markup, {}));
    prepared->bytes = toCp932(text);
    // The text itself is what the file reads back as, unless the code page lacks a character.
    prepared->lines = splitLines(roundTripsCp932(text) ? text : fromCp932(prepared->bytes));
    return prepared;
}

} // namespace kazeyomi
