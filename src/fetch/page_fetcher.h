// Fetches a page, renders it and leaves its body markup in the page cache text "tmp.txt"
// of the application folder, where every scraper reads it.
#pragma once

#include <atomic>
#include <deque>
#include <future>
#include <memory>

#include <QList>
#include <QString>
#include <QStringList>
#include <QThreadPool>

#include "fetch/html_renderer.h"
#include "fetch/page_tables.h"

namespace kazeyomi {

class FormState;
class PageSource;
struct FetchResult;

inline const QString kIfModifiedSince = QStringLiteral("Sat, 29 Oct 1994 19:43:31 GMT");

// A page rendered as the browser gives it, or why it was not.
struct [[nodiscard]] RenderedPage {
    QString markup;
    QString error;
    PageTables tables; // only when asked for
    bool ok() const { return error.isEmpty(); }
};

// A page made ready for the page cache, away from the window's thread: the bytes of tmp.txt
// and the lines the scrapers read from it.
struct PreparedPage {
    QString error; // why the page could not be rendered; nothing else is set then
    QByteArray bytes;
    QStringList lines;
    PageTables tables; // what the page shows, read from the same parse
};
using SharedPage = std::shared_ptr<const PreparedPage>;

// What one fetch brought. The page is held here as it was written to tmp.txt: a scraper reads
// it from here, whatever became of the file since.
struct [[nodiscard]] PageFetch {
    QString error; // empty when the page arrived whole and was written to tmp.txt; names the URL otherwise
    // The fetch was cut short or refused because the program is ending: the caller stops.
    bool interrupted = false;
    SharedPage page; // set when ok
    bool ok() const { return error.isEmpty(); }
};

class PageFetcher {
public:
    PageFetcher(FormState& form, PageSource& source, QString appDir, MarkupStyle style);
    ~PageFetcher();
    PageFetcher(const PageFetcher&) = delete;
    PageFetcher& operator=(const PageFetcher&) = delete;

    // Fetches `a` into tmp.txt. After a failure the failure is in the fetch log and tmp.txt,
    // if it could not be removed, is not this page; an empty `a` fetches nothing, leaves the
    // cache files as they were and fails.
    PageFetch Navigate2(const QString& a);
    // Asks for all these pages at once over the connection pool; each page is rendered as soon
    // as it arrives, while the scrapers work. A later Navigate2 of one of these addresses takes
    // its answer instead of asking again, each answer once, in the order asked. The number
    // names the batch for abandonPrefetch(): the pages of one race, say, among several asked for.
    quint64 prefetch(const QStringList& urls);
    // Gives up the answers of the batch not taken yet, the requests still in flight included;
    // their pages are not rendered unless a rendering has already started. Other batches stay.
    void abandonPrefetch(quint64 batch);
    // The same for every batch.
    void abandonPrefetch();
    // How many threads render prefetched pages in the background (one fewer than the cores
    // unless set).
    void setBackgroundRenderers(int threads) { m_renderers.setMaxThreadCount(std::max(1, threads)); }
    // Waits until every rendering started or queued in the background has ended or been left.
    void waitForRenderers() { m_renderers.waitForDone(); }
    // Adds a failure to the fetch log.
    void log(const QString& message);
    // A fetch is waiting for its page, while window events run.
    bool waiting() const { return m_waiting > 0; }
    // Pages rendered so far; a page that came again unchanged is not rendered again, and a
    // page given up before its rendering started is not rendered at all.
    int renderings() const { return m_renderings.load(); }

    // Loads a page for the race card capture; the rendered body comes back in the legacy style.
    QString Navigate1(const QString& a);
    // Deletes tmp.txt, tmp.html and tmp.html2 (not tmp2.txt or a.html); false, with the
    // failure in the fetch log, when one of them is still there.
    [[nodiscard]] bool Tmp_Delete();

    // The program is ending: the fetch in flight is given up and every later one fails at once.
    void stop();
    bool stopped() const { return m_stopped; }

    QString path(const QString& name) const;
    // The page the last successful Navigate2 wrote to tmp.txt, with its tables.
    const SharedPage& lastPage() const { return m_lastPage; }
    // Empty after a successful fetch.
    const QString& lastError() const { return m_lastError; }
    // The last fetch was cut short or refused because the program is ending.
    bool lastInterrupted() const { return m_lastInterrupted; }

    // The page's body markup as the browser gives it from the file the fetch leaves for it:
    // character set found, scripts disabled, the CR LF the file ends with, serialised in
    // `style`. A page nested too deep for the parser is refused.
    static RenderedPage renderPage(const QByteArray& body, const QByteArray& contentType, MarkupStyle style,
                                   bool withTables = false);
    // The quoted page cache form of a body markup: line ends made CR LF, quotes doubled.
    static QString cacheText(const QString& bodyMarkup);
    // The page rendered and made ready for tmp.txt.
    static SharedPage preparePage(const QByteArray& body, const QByteArray& contentType, MarkupStyle style);

private:
    struct Prefetched;
    class Rendering;
    // A page as it was last rendered: the same bytes again need no new rendering.
    struct Rendered {
        QString url;
        QByteArray digest; // of the body
        QByteArray contentType;
        MarkupStyle style;
        std::shared_ptr<Rendering> page;
    };

    // The answer for `url`, waited for while events run: the prefetched one if there is one.
    PageFetch fetchPage(const QString& url, FetchResult& page, std::shared_ptr<Prefetched>& prefetched);
    void waitForAnswer(Prefetched& entry);
    std::shared_ptr<Rendering> render(const QString& url, const FetchResult& page, MarkupStyle style,
                                      bool inBackground);
    PageFetch fetchAndRender(const QString& url, MarkupStyle style, QString& markup);
    PageFetch fail(const QString& message, bool interrupted = false);
    // The first cache file that is still there after the attempt; empty when all are gone.
    QString deleteCacheFiles();

    FormState& m_form;
    SharedPage m_lastPage; // what the last Navigate2 wrote to tmp.txt; empty after a failure
    PageSource& m_source;
    QString m_appDir;
    MarkupStyle m_style;
    QString m_lastError;
    bool m_lastInterrupted = false;
    bool m_stopped = false;
    int m_waiting = 0;
    std::atomic<int> m_renderings = 0;
    std::deque<std::shared_ptr<Prefetched>> m_prefetched;
    quint64 m_lastBatch = 0;
    QList<Rendered> m_rendered; // the latest first
    QThreadPool m_renderers;
};

} // namespace kazeyomi
