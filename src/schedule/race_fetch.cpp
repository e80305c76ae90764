#include "schedule/race_fetch.h"

#include <algorithm>
#include <exception>
#include <utility>

#include <QScopeGuard>

#include "foundation/context.h"
#include "foundation/controls.h"
#include "foundation/day_folders.h"
#include "foundation/event_log.h"
#include "foundation/form_state.h"
#include "foundation/grid_layouts.h"
#include "odds/capture/sanfuku_scraper.h"
#include "odds/capture/santan_scraper.h"
#include "odds/capture/tanfuku_scraper.h"
#include "odds/capture/umafuku_scraper.h"
#include "odds/capture/umatan_scraper.h"
#include "odds/capture/wide_scraper.h"
#include "odds/files/pair_writers.h"
#include "odds/files/tanfuku_writers.h"
#include "odds/files/triple_writers.h"
#include "results/result_writers.h"
#include "results/seiseki_scraper.h"
#include "schedule/schedule_grid.h"
#include "scraping/attempt.h"
#include "scraping/cached_page.h"

namespace kazeyomi {

using namespace Qt::StringLiterals;

namespace {

enum Tab { WinPlace = 0, Quinella = 2, Exacta = 4, Wide = 5, Trio = 6, Trifecta = 7, Payouts = 8 };

const QString kWinPlace = u"win/place odds"_s;
const QString kQuinella = u"quinella odds"_s;
const QString kExacta = u"exacta odds"_s;
const QString kWide = u"wide odds"_s;
const QString kResult = u"result"_s;
const QString kTrio = u"trio odds"_s;
const QString kTrifecta = u"trifecta odds"_s;
const QString kEnding = u"the program is ending"_s;

// An odds scraper with the result of its own fetch; with nothing to do it fetched nothing.
template <OddsScrape (*Scrape)(Context&, const QString&)> StepResult oddsStep(Context& ctx, const QString& raceCode)
{
    OddsScrape done = Scrape(ctx, raceCode);
    if (done.result == ScrapeResult::Empty)
        return {};
    return {true, std::move(done.fetch), done.result == ScrapeResult::NoData, std::move(done.problem)};
}

// The odds page of a bet type, "/odds/<raceCode>01.do" and the like.
auto oddsPage(const char16_t* kind)
{
    return [kind](const Context& ctx, const QString& raceCode) {
        return QStringList{oddsPageUrl(ctx.siteUrl, raceCode, QString::fromUtf16(kind))};
    };
}

QStringList resultPage(const Context& ctx, const QString& raceCode)
{
    return {resultPageUrl(ctx.siteUrl, raceCode.trimmed())};
}

StepResult resultStep(Context& ctx, const QString& raceCode)
{
    return {true, Seiseki_get(ctx, raceCode.trimmed()), false, {}};
}

// Marks "a race is being fetched" for as long as it lives, whichever way the cycle ends.
class FetchInProgress {
public:
    explicit FetchInProgress(bool& busy) : m_busy(busy) { m_busy = true; }
    ~FetchInProgress() { m_busy = false; }
    FetchInProgress(const FetchInProgress&) = delete;
    FetchInProgress& operator=(const FetchInProgress&) = delete;

private:
    bool& m_busy;
};

// Shows the race's row selected in the schedule grid while it is being fetched.
class RowHighlight {
public:
    explicit RowHighlight(GridModel& schedule) : m_schedule(schedule)
    {
        m_schedule.setSelectionEnabled(true);
        m_schedule.setHighlight(1);
        m_schedule.setSelectionMode(1);
    }
    ~RowHighlight()
    {
        attempt([this] {
            m_schedule.setSelectionEnabled(false);
            m_schedule.setHighlight(0);
        });
    }
    RowHighlight(const RowHighlight&) = delete;
    RowHighlight& operator=(const RowHighlight&) = delete;

private:
    GridModel& m_schedule;
};

// One step of the cycle. A failure thrown from it is logged with the race and the step, and
// the cycle goes on with the next step: one broken page or file must not cost the others.
template <typename Step> bool guarded(RaceOutcome& outcome, FormState& form, const QString& step, Step&& run)
{
    QString why;
    try {
        run();
        return true;
    } catch (const std::exception& e) {
        why = QString::fromLocal8Bit(e.what());
    } catch (...) {
        why = u"an unknown failure"_s;
    }
    outcome.failures << u"%1 failed: %2"_s.arg(step, why);
    form.log(LogLevel::Error, outcome.failures.back());
    return false;
}

// Why a page's "no data" ended the race, in the words the user needs: a called-off race is
// called off, a page that did not come did not come. Only the first page, the win/place odds,
// tells of a called-off race; a later page's "no data" is its own, whatever the row holds.
QString whyNoData(const FormState& form, int row, const QString& step, const PageFetch& fetch, bool firstPage)
{
    QString mark;
    attempt([&] { mark = form.grid(Grid::VSFlexGrid8).textMatrix(row, ScheduleColumn::Mark6); });
    if (firstPage && mark == ScheduleValue::kCalledOff)
        return u"the race is called off (取止)"_s;
    if (!fetch.ok())
        return u"the %1 page did not come"_s.arg(step);
    return u"no %1 on the page (too short, or no odds shown yet)"_s.arg(step);
}

} // namespace

std::span<const ScraperStep> raceScrapers()
{
    static const std::vector<ScraperStep> steps = {
        {WinPlace, kWinPlace, oddsStep<TanFuku_get>, true, oddsPage(u"01.do")},
        // The quinella and the wide each take the page they share; asked for twice at once, it
        // is one request to the site (JoiningPageSource), the same bytes for both.
        {Quinella, kQuinella, oddsStep<Umafuku_get>, true, oddsPage(u"04.do")},
        {Exacta, kExacta, oddsStep<Umatan_get>, true, oddsPage(u"03.do")},
        {Wide, kWide, oddsStep<Wide_get>, true, oddsPage(u"04.do")},
        // Without trio or trifecta odds the race goes on; their files just get no line.
        {Trio, kTrio, oddsStep<Sanfuku_get>, false, oddsPage(u"09.do")},
        {Trifecta, kTrifecta, oddsStep<Santan_get>, false, oddsPage(u"08.do")},
        {Payouts, kResult, resultStep, false, resultPage},
    };
    return steps;
}

std::span<const WriterStep> raceWriters()
{
    static const std::vector<WriterStep> writers = {
        {Payouts, u".sei"_s, [](const Context& ctx) { return Sei_write(ctx); }, kResult},
        {Payouts, u".jyun"_s, [](const Context& ctx) { return Jyun_write(ctx); }, kResult},
        {WinPlace, u".tanA"_s, [](const Context& ctx) { return TanA_write(ctx); }, {}},
        {WinPlace, u".Fuk1"_s, [](const Context& ctx) { return Fuk1_write(ctx); }, {}},
        {WinPlace, u".Fuk2"_s, [](const Context& ctx) { return Fuk2_write(ctx); }, {}},
        {Quinella, u".uren"_s, [](Context& ctx) { return Uren_write(ctx); }, kQuinella},
        {Exacta, u".utan"_s, [](Context& ctx) { return Utan_write(ctx); }, kExacta},
        {Wide, u".wideL"_s, [](Context& ctx) { return WideL_write(ctx); }, kWide},
        {Wide, u".wideH"_s, [](Context& ctx) { return WideH_write(ctx); }, kWide},
        {Trio, u".3fuku"_s, [](Context& ctx) { return Sanfuku_write(ctx); }, kTrio},
        {Trifecta, u".3tan"_s, [](Context& ctx) { return Santan_arrange(ctx); }, kTrifecta},
    };
    return writers;
}

QString RaceCycle::pageId(int row) const
{
    QString id;
    attempt([&] { id = m_ctx.form.grid(Grid::VSFlexGrid8).textMatrix(row, ScheduleColumn::PageId); });
    return id;
}

quint64 RaceCycle::askForPages(const QString& id)
{
    QStringList pages;
    for (const ScraperStep& step : m_scrapers)
        if (step.pages)
            pages << step.pages(m_ctx, id);
    return m_ctx.fetcher.prefetch(pages);
}

void RaceCycle::prefetchRace(const QString& venue, int row)
{
    if (venue.isEmpty() || m_ctx.fetcher.stopped() || m_ahead.count(row))
        return;
    const QString id = pageId(row);
    m_ahead[row] = {venue, id, askForPages(id)};
}

void RaceCycle::dropPrefetched()
{
    for (const auto& [row, ahead] : std::exchange(m_ahead, {}))
        m_ctx.fetcher.abandonPrefetch(ahead.batch);
}

quint64 RaceCycle::takePages(const QString& venue, int row, const QString& id)
{
    if (const auto ahead = m_ahead.find(row); ahead != m_ahead.end()) {
        const Ahead asked = ahead->second;
        m_ahead.erase(ahead);
        // The row changed since (a start run, a new card): those pages are not this race's.
        if (asked.venue == venue && asked.id == id)
            return asked.batch;
        m_ctx.fetcher.abandonPrefetch(asked.batch);
    }
    return venue.isEmpty() ? 0 : askForPages(id);
}

RaceOutcome RaceCycle::Race_get(const QString& venue, int n, int row)
{
    RaceOutcome outcome;
    outcome.venue = venue;
    outcome.race = n;
    outcome.row = row;
    FormState& form = m_ctx.form;
    if (m_busy) {
        outcome.failures << u"%1 %2R: another race is being fetched; try again when it is done"_s.arg(venue).arg(n);
        form.log(outcome.failures.back());
        return outcome;
    }
    // Once the program is ending nothing of a race is started any more.
    if (m_ctx.fetcher.stopped()) {
        outcome.stopped = kEnding;
        return outcome;
    }
    const FetchInProgress inProgress(m_busy);
    GridModel& schedule = form.grid(Grid::VSFlexGrid8);
    QString postTime;
    attempt([&] { postTime = schedule.textMatrix(row, ScheduleColumn::PostTime); });
    const LoggedRace logged(form.events(), raceLabel(venue, n, postTime), {});
    form.race.row = row;
    form.setText(Control::Text3, QString::number(n));
    form.setText(Control::Label1, venue);
    form.setText(Control::Text7, venue);
    form.setText(Control::Text8, twoDigitRace(n));
    // An old page that cannot be removed would be read as this race's.
    if (!m_ctx.fetcher.Tmp_Delete()) {
        outcome.failures << u"the page cache cannot be cleared (see the fetch log)"_s;
        outcome.stopped = u"nothing fetched: the page cache cannot be cleared"_s;
        return outcome;
    }

    const RowHighlight highlight(schedule);
    attempt([&] { schedule.setRow(row); });
    const QString id = pageId(row);

    // The log names the race's pages by what they are, not by their addresses.
    if (!venue.isEmpty()) {
        std::vector<std::pair<QString, QString>> pageNames;
        for (const ScraperStep& step : m_scrapers) {
            if (!step.pages)
                continue;
            for (const QString& page : step.pages(m_ctx, id)) {
                const auto named = std::find_if(pageNames.begin(), pageNames.end(),
                                                [&](const auto& known) { return known.first == page; });
                if (named == pageNames.end())
                    pageNames.emplace_back(page, u"the %1 page"_s.arg(step.name));
                else // the quinella and the wide share a page
                    named->second.replace(u" page"_s, u" and %1 page"_s.arg(step.name));
            }
        }
        form.events().beginRace(form.events().raceInProgress(), std::move(pageNames));
    }
    // Every page of the race is asked for at once, unless the tick asked for them already; the
    // scrapers take them in their order, and those not taken when the race ends early are
    // given up, this race's only.
    const quint64 batch = takePages(venue, row, id);
    const auto abandonPages = qScopeGuard([this, batch] {
        if (batch)
            m_ctx.fetcher.abandonPrefetch(batch);
    });

    QStringList arrived; // the steps whose page came whole and held something to read
    std::vector<std::pair<QString, SharedPage>> pagesRead;
    for (const ScraperStep& step : m_scrapers) {
        form.setTab(step.tab);
        StepResult done;
        if (!guarded(outcome, form, step.name, [&] { done = step.scrape(m_ctx, id); }))
            continue;
        if (done.fetched) {
            if (!done.fetch.ok())
                outcome.failures << step.name + u": "_s + done.fetch.error;
            // A fetch cut short, or a quit while the fetch let events run: nothing runs
            // after it, so the end of the program writes nothing.
            if (done.fetch.interrupted || m_ctx.fetcher.stopped()) {
                outcome.stopped = kEnding;
                return outcome;
            }
        }
        if (!done.problem.isEmpty()) {
            outcome.failures << step.name + u": "_s + done.problem;
            form.log(u"%1 %2R: %3"_s.arg(venue).arg(n).arg(outcome.failures.back()));
        }
        if (done.fetch.ok() && !done.noData && done.problem.isEmpty())
            arrived << step.name;
        if (done.fetched && done.fetch.ok() && done.fetch.page)
            pagesRead.emplace_back(step.name, done.fetch.page);
        if (done.noData && step.noDataEndsRace) {
            outcome.stopped = whyNoData(form, row, step.name, done.fetch, &step == &m_scrapers.front());
            if (m_observer)
                guarded(outcome, form, u"the race's history"_s, [&] { m_observer->raceFetched(outcome, pagesRead); });
            return outcome;
        }
    }

    for (const WriterStep& writer : m_writers) {
        // A page that did not arrive says nothing: its files keep the last one read.
        if (!writer.afterPage.isEmpty() && !arrived.contains(writer.afterPage))
            continue;
        form.setTab(writer.tab);
        Outcome written;
        if (!guarded(outcome, form, writer.extension, [&] { written = writer.write(m_ctx); }))
            continue;
        if (written.ok()) {
            outcome.written << writer.extension;
        } else {
            outcome.failures << written.error;
            form.log(LogLevel::Error, written.error);
        }
    }
    if (m_observer)
        guarded(outcome, form, u"the race's history"_s, [&] { m_observer->raceFetched(outcome, pagesRead); });
    return outcome;
}

} // namespace kazeyomi
