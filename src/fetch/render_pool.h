// The worker threads that render fetched pages in the background, and the pages rendered
// last, so that the same bytes fetched again are not rendered again.
#pragma once

#include <algorithm>
#include <atomic>
#include <future>
#include <memory>

#include <QByteArray>
#include <QList>
#include <QString>
#include <QThreadPool>

#include "fetch/page_rendering.h"

namespace kazeyomi {

struct FetchResult;

// One page's rendering, done by a worker or, when the page is wanted before a worker took it,
// by the thread that wants it: whoever claims it first. A rendering no longer wanted is left
// to the worker undone, unless someone asks for the page after all.
class Rendering {
public:
    Rendering(QByteArray body, QByteArray contentType, MarkupStyle style, std::atomic<int>& count);
    // The worker's turn: nothing when the page was given up or someone else took it.
    void runIfWanted();
    // The page is given up: a worker that has not started on it leaves it.
    void drop();
    // Wanted again: true when it was dropped and needs a worker once more.
    bool rearm();
    // The page, rendered here if no worker has started on it yet.
    SharedPage page();

private:
    enum class State { Queued, Claimed, Dropped };
    std::packaged_task<SharedPage()> m_task;
    std::shared_future<SharedPage> m_page;
    std::atomic<State> m_state = State::Queued;
};

class RenderPool {
public:
    RenderPool();
    // Waits for the renderings running or queued.
    ~RenderPool();
    RenderPool(const RenderPool&) = delete;
    RenderPool& operator=(const RenderPool&) = delete;

    // The rendering of `page` fetched from `url`: the one made before when the same bytes came
    // from there, else a new one; queued for a worker when `inBackground`.
    std::shared_ptr<Rendering> render(const QString& url, const FetchResult& page, MarkupStyle style,
                                      bool inBackground);
    void setThreads(int threads) { m_workers.setMaxThreadCount(std::max(1, threads)); }
    void waitForDone() { m_workers.waitForDone(); }
    // Pages rendered so far.
    int renderings() const { return m_renderings.load(); }

private:
    // A page as it was last rendered: the same bytes again need no new rendering. An ordinary
    // page is kept and compared byte for byte, which costs next to nothing beside hashing it;
    // a large one is known by its digest, so that it is not kept twice.
    struct Rendered {
        QString url;
        QByteArray body;   // an ordinary page's
        QByteArray digest; // a large page's
        QByteArray contentType;
        MarkupStyle style;
        std::shared_ptr<Rendering> page;
        bool holds(const QByteArray& other) const;
    };
    void queue(const std::shared_ptr<Rendering>& rendering, qsizetype bytes);

    std::atomic<int> m_renderings = 0;
    QList<Rendered> m_rendered; // the latest first
    QThreadPool m_workers;      // last: ended first, while what the workers count into still lives
};

} // namespace kazeyomi
