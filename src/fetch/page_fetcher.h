// Fetches a page, renders it and leaves its body markup in the page cache text "tmp.txt"
// of the application folder, where every scraper reads it; shows the fetch on the window's
// lamp and logs its failures.
#pragma once

#include <memory>

#include <QString>
#include <QStringList>

#include "fetch/page_cache_files.h"
#include "fetch/page_rendering.h"

namespace kazeyomi {

class FormState;
class PageSource;
class PrefetchQueue;
class RenderPool;
struct FetchResult;
struct PrefetchedPage;

// What one fetch brought. The page is held here as it was written to tmp.txt: a scraper reads
// it from here, whatever became of the file since.
struct [[nodiscard]] PageFetch {
    QString error; // empty when the page arrived whole and was written to tmp.txt; names the URL otherwise
    // The fetch was cut short or refused because the program is ending: the caller stops.
    bool interrupted = false;
    SharedPage page; // set when ok
    bool ok() const { return error.isEmpty(); }
};

// What Navigate1 brought: the rendered body in the legacy style, or why it did not come.
struct [[nodiscard]] MarkupFetch {
    QString markup; // empty after a failure
    QString error;  // empty when the page arrived whole; names the URL otherwise
    bool interrupted = false;
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
    void setBackgroundRenderers(int threads);
    // Waits until every rendering started or queued in the background has ended or been left.
    void waitForRenderers();
    // Adds a failure to the fetch log.
    void log(const QString& message);
    // A fetch is waiting for its page, while window events run.
    bool waiting() const { return m_waiting > 0; }
    // Pages rendered so far; a page that came again unchanged is not rendered again, and a
    // page given up before its rendering started is not rendered at all.
    int renderings() const;

    // Loads a page for the race card capture; the rendered body comes back in the legacy style.
    MarkupFetch Navigate1(const QString& a);
    // Deletes tmp.txt, tmp.html and tmp.html2 (not tmp2.txt or a.html); false, with the
    // failure in the fetch log, when one of them is still there.
    [[nodiscard]] bool Tmp_Delete();

    // The program is ending: the fetch in flight is given up and every later one fails at once.
    void stop();
    bool stopped() const { return m_stopped; }

    QString path(const QString& name) const { return m_files.path(name); }

private:
    // The answer for `url`, waited for while events run: the prefetched one if there is one.
    PageFetch fetchPage(const QString& url, FetchResult& page, std::shared_ptr<PrefetchedPage>& prefetched);
    void waitForAnswer(PrefetchedPage& entry);
    PageFetch fail(const QString& message, bool interrupted = false);

    FormState& m_form;
    PageSource& m_source;
    MarkupStyle m_style;
    PageCacheFiles m_files;
    bool m_stopped = false;
    int m_waiting = 0;
    std::unique_ptr<RenderPool> m_renderers;
    std::unique_ptr<PrefetchQueue> m_prefetched; // after the renderers: gone before them
};

} // namespace kazeyomi
