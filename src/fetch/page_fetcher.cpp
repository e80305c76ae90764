#include "fetch/page_fetcher.h"

#include <algorithm>
#include <atomic>
#include <iterator>
#include <utility>

#include <QCoreApplication>
#include <QCryptographicHash>
#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QThread>

#include "fetch/file_replace.h"
#include "fetch/html_renderer.h"
#include "fetch/nesting_guard.h"
#include "fetch/page_charset.h"
#include "fetch/page_source.h"
#include "foundation/controls.h"
#include "foundation/file_writer.h"
#include "foundation/form_state.h"
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

QString cacheLeftMessage(const QString& url, const QString& file)
{
    return u"%1: %2 cannot be removed, so the page cannot be kept apart from an older one"_s.arg(url, file);
}

} // namespace

PageFetcher::PageFetcher(FormState& form, PageSource& source, QString appDir, MarkupStyle style)
    : m_form(form), m_source(source), m_appDir(std::move(appDir)), m_style(style)
{
    // The window's thread keeps a core for the scrapers and renders a page itself when it needs
    // it before a worker took it; the workers have the other cores. They stay: each keeps the
    // memory its parser has grown into for the next page.
    m_renderers.setMaxThreadCount(std::max(1, QThread::idealThreadCount() - 1));
    m_renderers.setExpiryTimeout(-1);
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

PageFetcher::~PageFetcher()
{
    abandonPrefetch();
    // A rendering still running holds nothing of the fetcher's, but is waited for all the same.
    m_renderers.waitForDone();
}

void PageFetcher::stop()
{
    m_stopped = true;
    m_source.stop();
}

RenderedPage PageFetcher::renderPage(const QByteArray& body, const QByteArray& contentType, MarkupStyle style,
                                     bool withTables)
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

QString PageFetcher::cacheText(const QString& bodyMarkup)
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

PageFetch PageFetcher::fail(const QString& message, bool interrupted)
{
    m_lastError = message;
    m_lastInterrupted = interrupted;
    m_form.log(message);
    return {message, interrupted, {}};
}

// One request of a prefetch: its answer once it came, and the rendering it started.
struct PageFetcher::Prefetched {
    QString url;
    quint64 batch = 0;
    quint64 request = 0;
    bool answered = false;
    FetchResult page;
    std::shared_ptr<Rendering> prepared; // set once the answer started a rendering
    QEventLoop* waiter = nullptr;        // the wait of the Navigate2 that took it
};

SharedPage PageFetcher::preparePage(const QByteArray& body, const QByteArray& contentType, MarkupStyle style)
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

// One page's rendering, done by a worker or, when the page is wanted before a worker took it,
// by the thread that wants it: whoever claims it first. A rendering no longer wanted is left
// to the worker undone, unless someone asks for the page after all.
class PageFetcher::Rendering {
public:
    Rendering(QByteArray body, QByteArray contentType, MarkupStyle style, std::atomic<int>& count)
        : m_task([body = std::move(body), type = std::move(contentType), style, &count]() mutable {
              ++count;
              // The body is let go once rendered: the page is all that is kept of it.
              return preparePage(std::exchange(body, {}), std::exchange(type, {}), style);
          }),
          m_page(m_task.get_future().share())
    {
    }
    // The worker's turn: nothing when the page was given up or someone else took it.
    void runIfWanted()
    {
        State queued = State::Queued;
        if (m_state.compare_exchange_strong(queued, State::Claimed))
            m_task();
    }
    // The page is given up: a worker that has not started on it leaves it.
    void drop()
    {
        State queued = State::Queued;
        m_state.compare_exchange_strong(queued, State::Dropped);
    }
    // Wanted again: true when it was dropped and needs a worker once more.
    bool rearm()
    {
        State dropped = State::Dropped;
        return m_state.compare_exchange_strong(dropped, State::Queued);
    }
    // The page, rendered here if no worker has started on it yet.
    SharedPage page()
    {
        if (m_state.exchange(State::Claimed) != State::Claimed)
            m_task();
        return m_page.get();
    }

private:
    enum class State { Queued, Claimed, Dropped };
    std::packaged_task<SharedPage()> m_task;
    std::shared_future<SharedPage> m_page;
    std::atomic<State> m_state = State::Queued;
};

std::shared_ptr<PageFetcher::Rendering> PageFetcher::render(const QString& url, const FetchResult& page,
                                                            MarkupStyle style, bool inBackground)
{
    const auto queue = [this, inBackground](const std::shared_ptr<Rendering>& rendering, qsizetype bytes) {
        // The largest pages first: they take longest, while the small ones are soon done by
        // whoever wants them.
        if (inBackground)
            m_renderers.start([rendering] { rendering->runIfWanted(); },
                              int(std::min<qsizetype>(bytes / 1024, 1 << 20)));
    };
    // The body is known again by its digest: a large page is not kept twice.
    const QByteArray digest = QCryptographicHash::hash(page.body, QCryptographicHash::Sha256);
    for (qsizetype i = 0; i < m_rendered.size(); ++i) {
        const Rendered& done = m_rendered[i];
        if (done.url == url && done.style == style && done.contentType == page.contentType && done.digest == digest) {
            m_rendered.move(i, 0);
            const std::shared_ptr<Rendering>& rendering = m_rendered.front().page;
            if (rendering->rearm())
                queue(rendering, page.body.size());
            return rendering;
        }
    }
    auto rendering = std::make_shared<Rendering>(page.body, page.contentType, style, m_renderings);
    queue(rendering, page.body.size());
    // The pages of a race or two: enough to find each page again at the next fetch of its race's
    // other pages, few enough to keep the memory small.
    constexpr qsizetype kRemembered = 12;
    m_rendered.prepend({url, digest, page.contentType, style, rendering});
    if (m_rendered.size() > kRemembered)
        m_rendered.removeLast();
    return rendering;
}

quint64 PageFetcher::prefetch(const QStringList& urls)
{
    const quint64 batch = ++m_lastBatch;
    for (const QString& url : urls) {
        if (m_stopped)
            break;
        auto entry = std::make_shared<Prefetched>();
        entry->url = url;
        entry->batch = batch;
        m_prefetched.push_back(entry);
        const std::weak_ptr<Prefetched> weak = entry;
        entry->request =
            m_source.start(url, {{"If-Modified-Since", kIfModifiedSince.toLatin1()}}, [this, weak](FetchResult page) {
                const std::shared_ptr<Prefetched> answered = weak.lock();
                if (!answered)
                    return;
                answered->answered = true;
                if (page.ok() && !page.interrupted && !m_stopped)
                    answered->prepared = render(answered->url, page, m_style, true);
                answered->page = std::move(page);
                if (answered->waiter)
                    answered->waiter->quit();
            });
    }
    return batch;
}

void PageFetcher::abandonPrefetch(quint64 batch)
{
    std::deque<std::shared_ptr<Prefetched>> given;
    const auto kept = std::stable_partition(m_prefetched.begin(), m_prefetched.end(),
                                            [batch](const auto& entry) { return entry->batch != batch; });
    std::move(kept, m_prefetched.end(), std::back_inserter(given));
    m_prefetched.erase(kept, m_prefetched.end());
    for (const std::shared_ptr<Prefetched>& entry : given) {
        if (!entry->answered)
            m_source.abandon(entry->request);
        // A page nobody will read is not rendered.
        else if (entry->prepared)
            entry->prepared->drop();
    }
}

void PageFetcher::abandonPrefetch()
{
    while (!m_prefetched.empty())
        abandonPrefetch(m_prefetched.front()->batch);
}

void PageFetcher::log(const QString& message)
{
    m_form.log(message);
}

void PageFetcher::waitForAnswer(Prefetched& entry)
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

PageFetch PageFetcher::fetchPage(const QString& url, FetchResult& page, std::shared_ptr<Prefetched>& prefetched)
{
    m_lastError.clear();
    m_lastInterrupted = false;
    if (url.isEmpty()) {
        m_lastError = u"nothing fetched: no address"_s;
        return {m_lastError, false, {}};
    }
    if (m_stopped)
        return fail(u"%1: not fetched, the program is ending"_s.arg(url), true);
    if (!url.startsWith(u"http://"_s, Qt::CaseInsensitive) && !url.startsWith(u"https://"_s, Qt::CaseInsensitive)) {
        if (const QString left = deleteCacheFiles(); !left.isEmpty())
            return fail(cacheLeftMessage(url, left));
        return fail(u"%1: no site address is set; give it with --site/--portal, KAZEYOMI_SITE_URL/KAZEYOMI_PORTAL_URL "
                    "or site_url/portal_url in kazeyomi.ini"_s.arg(url));
    }
    const auto taken = std::find_if(m_prefetched.begin(), m_prefetched.end(),
                                    [&](const std::shared_ptr<Prefetched>& entry) { return entry->url == url; });
    if (taken != m_prefetched.end()) {
        prefetched = *taken;
        m_prefetched.erase(taken);
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
    if (const QString left = deleteCacheFiles(); !left.isEmpty())
        return fail(cacheLeftMessage(url, left));
    if (!page.ok())
        return fail(page.error);
    return {};
}

PageFetch PageFetcher::fetchAndRender(const QString& url, MarkupStyle style, QString& markup)
{
    FetchResult page;
    std::shared_ptr<Prefetched> prefetched;
    if (PageFetch fetch = fetchPage(url, page, prefetched); !fetch.ok())
        return fetch;
    RenderedPage rendered = renderPage(page.body, page.contentType, style);
    if (!rendered.ok())
        return fail(url + u": "_s + rendered.error);
    markup = std::move(rendered.markup);
    return {};
}

PageFetch PageFetcher::Navigate2(const QString& a)
{
    m_form.setText(Control::Text10, a);
    m_form.setFetchLampRed(true);
    QCoreApplication::processEvents();
    if (a.isEmpty())
        return {u"nothing fetched: no address"_s, false, {}};
    m_lastPage.reset();
    FetchResult page;
    std::shared_ptr<Prefetched> prefetched;
    PageFetch fetch = fetchPage(a, page, prefetched);
    if (fetch.ok()) {
        const SharedPage prepared =
            (prefetched && prefetched->prepared ? prefetched->prepared : render(a, page, m_style, false))->page();
        if (!prepared->error.isEmpty()) {
            fetch = fail(a + u": "_s + prepared->error);
        } else if (const Outcome written = FileWriter().replace(path(u"tmp.txt"_s), prepared->bytes); !written.ok()) {
            // Replaced whole: a scraper never reads half a page, nor an empty one after a full disk.
            fetch = fail(a + u": "_s + written.error);
        } else {
            fetch.page = prepared;
            m_lastPage = prepared;
        }
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
