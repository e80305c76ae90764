#include "fetch/page_fetcher.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>

#include "fetch/file_replace.h"
#include "fetch/html_renderer.h"
#include "fetch/nesting_guard.h"
#include "fetch/page_charset.h"
#include "fetch/page_source.h"
#include "foundation/controls.h"
#include "foundation/file_writer.h"
#include "foundation/form_state.h"
#include "foundation/text_codec.h"

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

PageFetcher::PageFetcher(FormState& form, PageSource& source, QString appDir, MarkupStyle style)
    : m_form(form), m_source(source), m_appDir(std::move(appDir)), m_style(style)
{
    QDir().mkpath(m_appDir);
    // A blank page the browser is sent to after each fetch; shipped with the program.
    const QString blank = path(u"a.html"_s);
    if (!QFile::exists(blank))
        if (const Outcome written = FileWriter().write(blank, "<html><body></body></html>\r\n"); !written.ok())
            m_form.log(written.error);
}

QString PageFetcher::path(const QString& name) const
{
    return QDir(m_appDir).filePath(name);
}

QString PageFetcher::deleteCacheFiles()
{
    for (const auto& name : {u"tmp.txt"_s, u"tmp.html"_s, u"tmp.html2"_s}) {
        const QString file = path(name);
        if (QFile::exists(file) && !QFile::remove(file))
            return file;
    }
    return {};
}

bool PageFetcher::Tmp_Delete()
{
    const QString left = deleteCacheFiles();
    if (!left.isEmpty())
        m_form.log(u"%1: cannot be removed; no page can be fetched until it can"_s.arg(left));
    return left.isEmpty();
}

void PageFetcher::stop()
{
    m_stopped = true;
    m_source.stop();
}

RenderedPage PageFetcher::renderPage(const QByteArray& body, const QByteArray& contentType, MarkupStyle style)
{
    // The browser is given the page as the fetch writes it for it: the body, then CR LF.
    // The text comes from the response bytes all the same, so that the character set is
    // the page's own and not the code page the file is written in.
    const QString html = disableScripts(decodePage(body, contentType)) + u"\r\n"_s;
    if (const int depth = estimatedNestingDepth(html); depth > kMaxNestingDepth)
        return {{}, u"the page nests %1 elements deep and is not rendered"_s.arg(depth)};
    return {renderBody(html, style), {}};
}

QString PageFetcher::cacheText(const QString& bodyMarkup)
{
    QString text = bodyMarkup;
    text.replace(u"\r\n"_s, u"\n"_s);
    text.replace(u'\r', u'\n');
    text.replace(u"\n"_s, u"\r\n"_s);
    text.replace(u"\""_s, u"\"\""_s);
    return u"\""_s + text + u"\"\r\n"_s;
}

PageFetch PageFetcher::fail(const QString& message, bool interrupted)
{
    m_lastError = message;
    m_lastInterrupted = interrupted;
    m_form.log(message);
    return {message, interrupted};
}

PageFetch PageFetcher::fetchAndRender(const QString& url, MarkupStyle style, QString& markup)
{
    m_lastError.clear();
    m_lastInterrupted = false;
    if (url.isEmpty()) {
        m_lastError = u"nothing fetched: no address"_s;
        return {m_lastError};
    }
    if (m_stopped)
        return fail(u"%1: not fetched, the program is ending"_s.arg(url), true);
    const auto cacheLeft = [&](const QString& file) {
        return fail(u"%1: %2 cannot be removed, so the page cannot be kept apart from an older one"_s.arg(url, file));
    };
    if (!url.startsWith(u"http://"_s, Qt::CaseInsensitive) && !url.startsWith(u"https://"_s, Qt::CaseInsensitive)) {
        if (const QString left = deleteCacheFiles(); !left.isEmpty())
            return cacheLeft(left);
        return fail(u"%1: no site address is set; give it with --site/--portal, KAZEYOMI_SITE_URL/KAZEYOMI_PORTAL_URL "
                    "or site_url/portal_url in kazeyomi.ini"_s.arg(url));
    }
    const FetchResult page = m_source.get(url, {{"If-Modified-Since", kIfModifiedSince.toLatin1()}});
    // Nothing more is written once the program is ending, not even the cache files.
    if (page.interrupted || m_stopped)
        return fail(page.ok() ? u"%1: given up, the program is ending"_s.arg(url) : page.error, true);
    if (const QString left = deleteCacheFiles(); !left.isEmpty())
        return cacheLeft(left);
    if (!page.ok())
        return fail(page.error);
    // The file the browser is given; removed again before the fetch returns.
    const QByteArray asSent = toCp932(fromCp932(page.body)) + "\r\n";
    if (const Outcome written = FileWriter().write(path(u"tmp.html2"_s), asSent); !written.ok())
        return fail(url + u": "_s + written.error);
    if (const Counted replaced = File_Replace(path(u"tmp.html2"_s), path(u"tmp.html"_s), u"<script"_s, u"<Sscript"_s);
        !replaced.ok())
        return fail(url + u": "_s + replaced.error);
    RenderedPage rendered = renderPage(page.body, page.contentType, style);
    if (!rendered.ok())
        return fail(url + u": "_s + rendered.error);
    if (const QString left = deleteCacheFiles(); !left.isEmpty())
        return cacheLeft(left);
    markup = std::move(rendered.markup);
    return {};
}

PageFetch PageFetcher::Navigate2(const QString& a)
{
    m_form.setText(Control::Text10, a);
    m_form.setFetchLampRed(true);
    QCoreApplication::processEvents();
    if (a.isEmpty())
        return {u"nothing fetched: no address"_s};
    QString markup;
    PageFetch fetch = fetchAndRender(a, m_style, markup);
    if (fetch.ok()) {
        // Replaced whole: a scraper never reads half a page, nor an empty one after a full disk.
        if (const Outcome written = FileWriter().replace(path(u"tmp.txt"_s), toCp932(cacheText(markup))); !written.ok())
            fetch = fail(a + u": "_s + written.error);
    }
    m_form.setText(Control::Text10, QString());
    m_form.setFetchLampRed(false);
    QCoreApplication::processEvents();
    return fetch;
}

QString PageFetcher::Navigate1(const QString& a)
{
    UrlCache_Delete(a);
    QString markup;
    if (!fetchAndRender(a, MarkupStyle::Legacy, markup).ok())
        return {};
    return markup;
}

} // namespace kazeyomi
