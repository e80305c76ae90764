// One race's fetch: every scraper on its own tab, then the result and odds writers.
#pragma once

#include <QString>
#include <QStringList>

namespace kazeyomi {

struct Context;

struct RaceOutcome {
    QString venue;
    int race = 0;
    int row = 0;
    QStringList written;  // file extensions written, in order
    QStringList failures; // each names the page or file and the reason
    QString stopped;      // why the cycle stopped early, if it did
    bool ok() const { return failures.isEmpty(); }
};

class RaceFetcher {
public:
    virtual ~RaceFetcher() = default;
    // `row` is the race's own schedule row: its page id is read there and its marks land there.
    virtual RaceOutcome Race_get(const QString& venue, int n, int row) = 0;
    // True while a race is being fetched (a nested fetch would overwrite the page cache).
    virtual bool busy() const { return false; }
};

class RaceCycle final : public RaceFetcher {
public:
    explicit RaceCycle(Context& ctx) : m_ctx(ctx) {}
    RaceOutcome Race_get(const QString& venue, int n, int row) override;
    bool busy() const override { return m_busy; }

private:
    Context& m_ctx;
    bool m_busy = false;
};

} // namespace kazeyomi
