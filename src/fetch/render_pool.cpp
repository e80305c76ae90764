#include "fetch/render_pool.h"

#include <algorithm>
#include <utility>

#include <QCryptographicHash>
#include <QThread>

#include "fetch/page_source.h"

namespace kazeyomi {

// Hand-over to a worker: the task owns copies of its inputs (the body, the content type, the
// style) and gives back a new page that nobody changes once made, through the shared future.
// From the worker it may touch only those and the atomic count; never the FormState, the
// PageSource, the page cache files or the pool's list of renderings, which belong to the
// window's thread. Whoever claims the task first runs it, so it runs once.
Rendering::Rendering(QByteArray body, QByteArray contentType, MarkupStyle style, std::atomic<int>& count)
    : m_task([body = std::move(body), type = std::move(contentType), style, &count]() mutable {
          ++count;
          // The body is let go once rendered: the page is all that is kept of it.
          return preparePage(std::exchange(body, {}), std::exchange(type, {}), style);
      }),
      m_page(m_task.get_future().share())
{
}

void Rendering::runIfWanted()
{
    State queued = State::Queued;
    if (m_state.compare_exchange_strong(queued, State::Claimed))
        m_task();
}

void Rendering::drop()
{
    State queued = State::Queued;
    m_state.compare_exchange_strong(queued, State::Dropped);
}

bool Rendering::rearm()
{
    State dropped = State::Dropped;
    return m_state.compare_exchange_strong(dropped, State::Queued);
}

SharedPage Rendering::page()
{
    if (m_state.exchange(State::Claimed) != State::Claimed)
        m_task();
    return m_page.get();
}

RenderPool::RenderPool()
{
    // The window's thread keeps a core for the scrapers and renders a page itself when it needs
    // it before a worker took it; the workers have the other cores. They stay: each keeps the
    // memory its parser has grown into for the next page.
    m_workers.setMaxThreadCount(std::max(1, QThread::idealThreadCount() - 1));
    m_workers.setExpiryTimeout(-1);
}

RenderPool::~RenderPool()
{
    m_workers.waitForDone();
}

void RenderPool::queue(const std::shared_ptr<Rendering>& rendering, qsizetype bytes)
{
    // The largest pages first: they take longest, while the small ones are soon done by
    // whoever wants them. The worker holds the rendering, nothing else.
    m_workers.start([rendering] { rendering->runIfWanted(); }, int(std::min<qsizetype>(bytes / 1024, 1 << 20)));
}

namespace {

constexpr qsizetype kKeptBodyBytes = 512 * 1024;

QByteArray digestOf(const QByteArray& body)
{
    return QCryptographicHash::hash(body, QCryptographicHash::Sha256);
}

} // namespace

bool RenderPool::Rendered::holds(const QByteArray& other) const
{
    if (other.size() <= kKeptBodyBytes)
        return digest.isEmpty() && body == other;
    return !digest.isEmpty() && digest == digestOf(other);
}

std::shared_ptr<Rendering> RenderPool::render(const QString& url, const FetchResult& page, MarkupStyle style,
                                              bool inBackground)
{
    for (qsizetype i = 0; i < m_rendered.size(); ++i) {
        const Rendered& done = m_rendered[i];
        if (done.url == url && done.style == style && done.contentType == page.contentType && done.holds(page.body)) {
            m_rendered.move(i, 0);
            const std::shared_ptr<Rendering>& rendering = m_rendered.front().page;
            if (rendering->rearm() && inBackground)
                queue(rendering, page.body.size());
            return rendering;
        }
    }
    // Other bytes from the same address: what was rendered of it before is not asked for again,
    // and let go now rather than when the list has moved on.
    m_rendered.removeIf([&](const Rendered& done) { return done.url == url && done.style == style; });
    auto rendering = std::make_shared<Rendering>(page.body, page.contentType, style, m_renderings);
    if (inBackground)
        queue(rendering, page.body.size());
    // The pages of a race or two: enough to find each page again at the next fetch of its race's
    // other pages, few enough to keep the memory small.
    constexpr qsizetype kRemembered = 12;
    const bool large = page.body.size() > kKeptBodyBytes;
    m_rendered.prepend({url, large ? QByteArray() : page.body, large ? digestOf(page.body) : QByteArray(),
                        page.contentType, style, rendering});
    if (m_rendered.size() > kRemembered)
        m_rendered.removeLast();
    return rendering;
}

} // namespace kazeyomi
