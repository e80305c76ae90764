#include "fetch/page_fetcher.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QSaveFile>

#include "fetch/html_renderer.h"
#include "fetch/nesting_guard.h"
#include "fetch/page_charset.h"
#include "fetch/page_source.h"
#include "fetch/text_helpers.h"
#include "shell/form_state.h"
#include "shell/text_codec.h"

namespace kazeyomi {

using namespace Qt::StringLiterals;

namespace {

bool writeFile(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(bytes) == bytes.size() && file.flush();
}

// The browser never sees a script: every "<script" start becomes an unknown "<Sscript" element.
QString disableScripts(QString html)
{
    qsizetype p = 0;
    while ((p = html.indexOf(u"<script"_s, p, Qt::CaseInsensitive)) >= 0) {
        html.replace(p, 7, u"<Sscript"_s);
        p += 8;
    }
    return html;
}

} // namespace

PageFetcher::PageFetcher(FormState& form, PageSource& source, QString appDir, MarkupStyle style)
    : m_form(form), m_source(source), m_appDir(std::move(appDir)), m_style(style)
{
    QDir().mkpath(m_appDir);
    // A blank page the browser is sent to after each fetch; shipped with the program.
    const QString blank = path(u"a.html"_s);
    if (!QFile::exists(blank))
        writeFile(blank, "<html><body></body></html>\r\n");
}

QString PageFetcher::path(const QString& name) const { return QDir(m_appDir).filePath(name); }

void PageFetcher::Tmp_Delete()
{
    for (const auto& name : {u"tmp.txt"_s, u"tmp.html"_s, u"tmp.html2"_s})
        if (QFile::exists(path(name)))
            QFile::remove(path(name));
}

QString PageFetcher::renderPage(const QByteArray& body, const QByteArray& contentType, MarkupStyle style)
{
    return renderBody(disableScripts(decodePage(body, contentType)), style);
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

void PageFetcher::fail(const QString& message)
{
    m_lastError = message;
    m_form.log(message);
}

bool PageFetcher::fetchAndRender(const QString& url, MarkupStyle style, QString& markup)
{
    m_lastError.clear();
    if (url.isEmpty())
        return false;
    if (!url.startsWith(u"http://"_s, Qt::CaseInsensitive) && !url.startsWith(u"https://"_s, Qt::CaseInsensitive)) {
        Tmp_Delete();
        fail(u"%1: no site address is set; give it with --site/--portal, KAZEYOMI_SITE_URL/KAZEYOMI_PORTAL_URL "
             "or site_url/portal_url in kazeyomi.ini"_s.arg(url));
        return false;
    }
    const FetchResult page = m_source.get(url, {{"If-Modified-Since", kIfModifiedSince.toLatin1()}});
    Tmp_Delete();
    if (!page.ok()) {
        fail(page.error);
        return false;
    }
    // tmp.html2 and tmp.html keep the server's page for whoever looks into the folder.
    const QByteArray asSent = toCp932(fromCp932(page.body)) + "\r\n";
    if (!writeFile(path(u"tmp.html2"_s), asSent)) {
        fail(u"%1: cannot write %2"_s.arg(url, path(u"tmp.html2"_s)));
        return false;
    }
    File_Replace(path(u"tmp.html2"_s), path(u"tmp.html"_s), u"<script"_s, u"<Sscript"_s);
    const QString html = decodePage(page.body, page.contentType);
    if (const int depth = estimatedNestingDepth(html); depth > kMaxNestingDepth) {
        fail(u"%1: the page nests %2 elements deep and is not rendered"_s.arg(url).arg(depth));
        return false;
    }
    markup = renderBody(disableScripts(html), style);
    Tmp_Delete();
    return true;
}

void PageFetcher::Navigate2(const QString& a)
{
    m_form.setText(u"Text10"_s, a);
    m_form.setFetchLampRed(true);
    QCoreApplication::processEvents();
    if (a.isEmpty())
        return;
    QString markup;
    if (fetchAndRender(a, m_style, markup)) {
        // Written whole beside and renamed: a reader never sees half a page.
        QSaveFile out(path(u"tmp.txt"_s));
        const QByteArray bytes = toCp932(cacheText(markup));
        if (!out.open(QIODevice::WriteOnly) || out.write(bytes) != bytes.size() || !out.commit())
            fail(u"%1: cannot write %2"_s.arg(a, path(u"tmp.txt"_s)));
    }
    m_form.setText(u"Text10"_s, QString());
    m_form.setFetchLampRed(false);
    QCoreApplication::processEvents();
}

QString PageFetcher::Navigate1(const QString& a)
{
    UrlCache_Delete(a);
    QString markup;
    if (!fetchAndRender(a, MarkupStyle::Legacy, markup))
        return {};
    return markup;
}

} // namespace kazeyomi
