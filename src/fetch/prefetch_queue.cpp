#include "fetch/prefetch_queue.h"

#include <algorithm>
#include <iterator>
#include <utility>

#include <QEventLoop>

#include "fetch/render_pool.h"

namespace kazeyomi {

PrefetchQueue::PrefetchQueue(PageSource& source, RenderPool& renderers, MarkupStyle style)
    : m_source(source), m_renderers(renderers), m_style(style)
{
}

PrefetchQueue::~PrefetchQueue()
{
    abandonAll();
}

quint64 PrefetchQueue::prefetch(const QStringList& urls)
{
    const quint64 batch = ++m_lastBatch;
    for (const QString& url : urls) {
        if (m_stopped)
            break;
        auto entry = std::make_shared<PrefetchedPage>();
        entry->url = url;
        entry->batch = batch;
        m_pages.push_back(entry);
        const std::weak_ptr<PrefetchedPage> weak = entry;
        // The answer comes on this thread, from the event loop.
        entry->request =
            m_source.start(url, {{"If-Modified-Since", kIfModifiedSince.toLatin1()}}, [this, weak](FetchResult page) {
                const std::shared_ptr<PrefetchedPage> answered = weak.lock();
                if (!answered)
                    return;
                answered->answered = true;
                if (page.ok() && !page.interrupted && !m_stopped)
                    answered->prepared = m_renderers.render(answered->url, page, m_style, true);
                answered->page = std::move(page);
                if (answered->waiter)
                    answered->waiter->quit();
            });
    }
    return batch;
}

std::shared_ptr<PrefetchedPage> PrefetchQueue::take(const QString& url)
{
    const auto taken = std::find_if(m_pages.begin(), m_pages.end(),
                                    [&](const std::shared_ptr<PrefetchedPage>& entry) { return entry->url == url; });
    if (taken == m_pages.end())
        return {};
    std::shared_ptr<PrefetchedPage> entry = *taken;
    m_pages.erase(taken);
    return entry;
}

void PrefetchQueue::abandon(quint64 batch)
{
    std::deque<std::shared_ptr<PrefetchedPage>> given;
    const auto kept = std::stable_partition(m_pages.begin(), m_pages.end(),
                                            [batch](const auto& entry) { return entry->batch != batch; });
    std::move(kept, m_pages.end(), std::back_inserter(given));
    m_pages.erase(kept, m_pages.end());
    for (const std::shared_ptr<PrefetchedPage>& entry : given) {
        if (!entry->answered)
            m_source.abandon(entry->request);
        // A page nobody will read is not rendered.
        else if (entry->prepared)
            entry->prepared->drop();
    }
}

void PrefetchQueue::abandonAll()
{
    while (!m_pages.empty())
        abandon(m_pages.front()->batch);
}

} // namespace kazeyomi
