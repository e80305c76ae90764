// One race's fetch: every scraper on its own tab, then the result and odds writers.
#pragma once

#include <functional>
#include <map>
#include <span>
#include <vector>

#include <QString>
#include <QStringList>

#include "fetch/page_fetcher.h"
#include "foundation/outcome.h"

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

// What one scraper step tells the cycle.
struct StepResult {
    bool fetched = false; // a page was asked for: its failure counts, and a quit during it ends the race
    PageFetch fetch;      // that fetch's failure, if it failed
    bool noData = false;  // the page was too short or the race is cancelled
    // The page was read but gives no odds of its bet type (no heading, another field, a work
    // file not written): a failure, its files get no line, and the race goes on.
    QString problem;
};

// One scraper of the cycle: the tab it fills, its name in failures and the log, whether its
// "no data" ends the race, and the addresses it fetches, asked for when the race starts.
struct ScraperStep {
    int tab = 0;
    QString name;
    std::function<StepResult(Context&, const QString& raceCode)> scrape;
    bool noDataEndsRace = false;
    std::function<QStringList(const Context&, const QString& raceCode)> pages;
};

// One writer of the cycle; a writer that names a scraper step runs only when that step's
// page arrived with something to read, so a failed fetch or a short page adds no line made
// from what an earlier race left in the grids.
struct WriterStep {
    int tab = 0;
    QString extension;
    std::function<Outcome(Context&)> write; // a writer may fill its work grids
    QString afterPage;
};

// The scrapers and the writers of a race, in the order they run.
std::span<const ScraperStep> raceScrapers();
std::span<const WriterStep> raceWriters();

// Told of a race's cycle with the pages its scrapers read (by step name): after the writers,
// or when a page with nothing to read ended it (`stopped` says so; that page comes last).
class RaceObserver {
public:
    virtual ~RaceObserver() = default;
    virtual void raceFetched(const RaceOutcome& outcome, const std::vector<std::pair<QString, SharedPage>>& pages) = 0;
};

class RaceFetcher {
public:
    virtual ~RaceFetcher() = default;
    // `row` is the race's own schedule row: its page id is read there and its marks land there.
    virtual RaceOutcome Race_get(const QString& venue, int n, int row) = 0;
    // True while a race is being fetched (a nested fetch would overwrite the page cache).
    virtual bool busy() const { return false; }
    // Asks ahead for every page of the race in `row`, so that the races due in one tick share
    // one round trip; the Race_get of that row takes them.
    virtual void prefetchRace(const QString& venue, int row)
    {
        (void)venue;
        (void)row;
    }
    // Gives up what was asked for ahead and no Race_get took.
    virtual void dropPrefetched() {}
};

class RaceCycle final : public RaceFetcher {
public:
    explicit RaceCycle(Context& ctx, std::span<const ScraperStep> scrapers = raceScrapers(),
                       std::span<const WriterStep> writers = raceWriters())
        : m_ctx(ctx), m_scrapers(scrapers), m_writers(writers)
    {
    }
    RaceOutcome Race_get(const QString& venue, int n, int row) override;
    bool busy() const override { return m_busy; }
    void setObserver(RaceObserver* observer) { m_observer = observer; }
    void prefetchRace(const QString& venue, int row) override;
    void dropPrefetched() override;

private:
    // The pages of a race asked for ahead: the batch of the fetcher that holds their answers.
    struct Ahead {
        QString venue;
        QString id;
        quint64 batch = 0;
    };
    QString pageId(int row) const;
    quint64 askForPages(const QString& id);
    // The batch of the race's pages: the one asked for ahead if it is still this race's, else
    // asked for now; 0 when nothing is to be fetched.
    quint64 takePages(const QString& venue, int row, const QString& id);

    Context& m_ctx;
    std::span<const ScraperStep> m_scrapers;
    std::span<const WriterStep> m_writers;
    bool m_busy = false;
    RaceObserver* m_observer = nullptr;
    std::map<int, Ahead> m_ahead; // by schedule row
};

} // namespace kazeyomi
