// The pages asked for ahead, in numbered batches: each answer is rendered in the background as
// it arrives and waits here until a fetch of its address takes it.
#pragma once

#include <deque>
#include <memory>

#include <QString>
#include <QStringList>

#include "fetch/html_renderer.h"
#include "fetch/page_source.h"

class QEventLoop;

namespace kazeyomi {

class Rendering;
class RenderPool;

// One request of a prefetch: its answer once it came, and the rendering it started.
struct PrefetchedPage {
    QString url;
    quint64 batch = 0;
    quint64 request = 0;
    bool answered = false;
    FetchResult page;
    std::shared_ptr<Rendering> prepared; // set once the answer started a rendering
    QEventLoop* waiter = nullptr;        // the wait of the fetch that took it, quit by the answer
};

class PrefetchQueue {
public:
    PrefetchQueue(PageSource& source, RenderPool& renderers, MarkupStyle style);
    // Gives up every answer not taken.
    ~PrefetchQueue();
    PrefetchQueue(const PrefetchQueue&) = delete;
    PrefetchQueue& operator=(const PrefetchQueue&) = delete;

    // Asks for all these pages at once; the number names the batch for abandon().
    quint64 prefetch(const QStringList& urls);
    // The first answer asked for `url` and not taken yet, now taken; empty when there is none.
    std::shared_ptr<PrefetchedPage> take(const QString& url);
    // Gives up the answers of the batch not taken yet, the requests still in flight included;
    // their pages are not rendered unless a rendering has already started.
    void abandon(quint64 batch);
    void abandonAll();
    // The program is ending: no request goes out and no answer is rendered any more.
    void stop() { m_stopped = true; }

private:
    PageSource& m_source;
    RenderPool& m_renderers;
    MarkupStyle m_style;
    bool m_stopped = false;
    std::deque<std::shared_ptr<PrefetchedPage>> m_pages;
    quint64 m_lastBatch = 0;
};

} // namespace kazeyomi
