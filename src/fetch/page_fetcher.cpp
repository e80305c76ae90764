#include "fetch/page_fetcher.h"

#include <utility>

#include <QCoreApplication>
#include <QEventLoop>

#include "fetch/file_replace.h"
#include "fetch/page_source.h"
#include "fetch/prefetch_queue.h"
#include "fetch/render_pool.h"
#include "foundation/controls.h"
#include "foundation/form_state.h"

namespace kazeyomi {

using namespace Qt::StringLiterals;

namespace {

QString cacheLeftMessage(const QString& url, const QString& file)
{
    return u"%1: %2 cannot be removed, so the page cannot be kept apart from an older one"_s.arg(url, file);
}

} // namespace

PageFetcher::PageFetcher(FormState& form, PageSource& source, QString appDir, MarkupStyle style)
    : m_form(form), m_source(source), m_style(style), m_files(std::move(appDir)),
      m_renderers(std::make_unique<RenderPool>()),
      m_prefetched(std::make_unique<PrefetchQueue>(source, *m_renderers, style))
{
    if (const Outcome written = m_files.writeBlankPage(); !written.ok())
        m_form.log(written.error);
}

// The prefetch queue goes first and gives up what it holds; then the renderings still running
// are waited for, though they hold nothing of the fetcher's.
PageFetcher::~PageFetcher() = default;

bool PageFetcher::Tmp_Delete()
{
    const QString left = m_files.removePages();
    if (!left.isEmpty())
        m_form.log(u"%1: cannot be removed; no page can be fetched until it can"_s.arg(left));
    return left.isEmpty();
}

void PageFetcher::stop()
{
    m_stopped = true;
    m_prefetched->stop();
    m_source.stop();
}

quint64 PageFetcher::prefetch(const QStringList& urls)
{
    return m_prefetched->prefetch(urls);
}

void PageFetcher::abandonPrefetch(quint64 batch)
{
    m_prefetched->abandon(batch);
}

void PageFetcher::abandonPrefetch()
{
    m_prefetched->abandonAll();
}

void PageFetcher::setBackgroundRenderers(int threads)
{
    m_renderers->setThreads(threads);
}

void PageFetcher::waitForRenderers()
{
    m_renderers->waitForDone();
}

int PageFetcher::renderings() const
{
    return m_renderers->renderings();
}

void PageFetcher::log(const QString& message)
{
    m_form.log(message);
}

PageFetch PageFetcher::fail(const QString& message, bool interrupted)
{
    m_form.log(message);
    return {message, interrupted, {}};
}

void PageFetcher::waitForAnswer(PrefetchedPage& entry)
{
    if (entry.answered)
        return;
    QEventLoop loop;
    entry.waiter = &loop;
    ++m_waiting;
    loop.exec();
    --m_waiting;
    entry.waiter = nullptr;
    // QCoreApplication::exit() ends every event loop, this one included.
    if (!entry.answered) {
        m_source.abandon(entry.request);
        entry.answered = true;
        entry.page = {};
        entry.page.error = u"%1: the wait ended before the page was whole"_s.arg(entry.url);
        entry.page.interrupted = true;
    }
}

PageFetch PageFetcher::fetchPage(const QString& url, FetchResult& page, std::shared_ptr<PrefetchedPage>& prefetched)
{
    if (url.isEmpty())
        return {u"nothing fetched: no address"_s, false, {}};
    if (m_stopped)
        return fail(u"%1: not fetched, the program is ending"_s.arg(url), true);
    if (!url.startsWith(u"http://"_s, Qt::CaseInsensitive) && !url.startsWith(u"https://"_s, Qt::CaseInsensitive)) {
        if (const QString left = m_files.removePages(); !left.isEmpty())
            return fail(cacheLeftMessage(url, left));
        return fail(u"%1: no site address is set; give it with --site/--portal, KAZEYOMI_SITE_URL/KAZEYOMI_PORTAL_URL "
                    "or site_url/portal_url in kazeyomi.ini"_s.arg(url));
    }
    if ((prefetched = m_prefetched->take(url))) {
        waitForAnswer(*prefetched);
        page = prefetched->page;
    } else {
        ++m_waiting;
        page = m_source.get(url, {{"If-Modified-Since", kIfModifiedSince.toLatin1()}});
        --m_waiting;
    }
    // Nothing more is written once the program is ending, not even the cache files.
    if (page.interrupted || m_stopped)
        return fail(page.ok() ? u"%1: given up, the program is ending"_s.arg(url) : page.error, true);
    if (const QString left = m_files.removePages(); !left.isEmpty())
        return fail(cacheLeftMessage(url, left));
    if (!page.ok())
        return fail(page.error);
    return {};
}

PageFetch PageFetcher::Navigate2(const QString& a)
{
    m_form.setText(Control::Text10, a);
    m_form.setFetchLampRed(true);
    QCoreApplication::processEvents();
    if (a.isEmpty())
        return {u"nothing fetched: no address"_s, false, {}};
    FetchResult page;
    std::shared_ptr<PrefetchedPage> prefetched;
    PageFetch fetch = fetchPage(a, page, prefetched);
    if (fetch.ok()) {
        const SharedPage prepared =
            (prefetched && prefetched->prepared ? prefetched->prepared : m_renderers->render(a, page, m_style, false))
                ->page();
        if (!prepared->error.isEmpty())
            fetch = fail(a + u": "_s + prepared->error);
        else if (const Outcome written = m_files.writePage(prepared->bytes); !written.ok())
            fetch = fail(a + u": "_s + written.error);
        else
            fetch.page = prepared;
    }
    m_form.setText(Control::Text10, QString());
    m_form.setFetchLampRed(false);
    QCoreApplication::processEvents();
    return fetch;
}

MarkupFetch PageFetcher::Navigate1(const QString& a)
{
    UrlCache_Delete(a);
    FetchResult page;
    std::shared_ptr<PrefetchedPage> prefetched;
    if (const PageFetch fetch = fetchPage(a, page, prefetched); !fetch.ok())
        return {{}, fetch.error, fetch.interrupted};
    RenderedPage rendered = renderPage(page.body, page.contentType, MarkupStyle::Legacy);
    if (!rendered.ok())
        return {{}, fail(a + u": "_s + rendered.error).error, false};
    return {std::move(rendered.markup), {}, false};
}

} // namespace kazeyomi
