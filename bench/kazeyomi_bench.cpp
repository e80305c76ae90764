// The figures behind "fast": how quickly a page becomes the text the scrapers read, what a
// whole sixteen-runner race cycle costs, what asking for a race's pages at once saves against a
// slow site, and how soon the schedule is there. Each figure is printed on a line of its own.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <functional>
#include <map>
#include <vector>

#include <QCoreApplication>
#include <QDir>
#include <QTemporaryDir>

#include <gumbo.h>

#include "demo/day_cards.h"
#include "demo/demo_day.h"
#include "demo/odds_pages.h"
#include "demo/pair_pages.h"
#include "demo/result_pages.h"
#include "demo/site_server.h"
#include "demo/triple_pages.h"
#include "fetch/http_page_source.h"
#include "fetch/page_fetcher.h"
#include "foundation/clock.h"
#include "foundation/context.h"
#include "foundation/day_folders.h"
#include "foundation/form_state.h"
#include "foundation/grid_layouts.h"
#include "foundation/grid_model.h"
#include "foundation/notifier.h"
#include "foundation/schedule_columns.h"
#include "schedule/race_fetch.h"
#include "session/session.h"

using namespace kazeyomi;
using namespace Qt::StringLiterals;

namespace {

using Clocked = std::chrono::steady_clock;

const QString kCode = u"2025120520010306"_s;
constexpr int kRow = 6;

// The median of `runs` timings of `work`, in milliseconds.
double medianMs(int runs, const std::function<void()>& work)
{
    std::vector<double> times;
    for (int i = 0; i < runs; ++i) {
        const auto start = Clocked::now();
        work();
        times.push_back(std::chrono::duration<double, std::milli>(Clocked::now() - start).count());
    }
    std::nth_element(times.begin(), times.begin() + runs / 2, times.end());
    return times[size_t(runs / 2)];
}

double megabytesPerSecond(qsizetype bytes, double ms)
{
    return double(bytes) / 1e6 / (ms / 1000);
}

void line(const char* what, double value, const char* unit, const QString& target = {})
{
    std::printf("%-58s %10.2f %s%s\n", what, value, unit,
                target.isEmpty() ? "" : qPrintable(u"  ("_s + target + u")"_s));
}

QString verdict(bool met, const QString& target)
{
    return (met ? u"target met: "_s : u"target NOT met: "_s) + target;
}

// The pages of one sixteen-runner race, by address after the site, in the order the cycle
// fetches them (the quinella and wide page twice).
std::vector<std::pair<QString, QByteArray>> racePages()
{
    WinPlacePage race;
    race.race = 6;
    race.raceCode = kCode;
    race.runners = sampleRunners(16);
    const QString odds = u"/odds/"_s + kCode;
    const QByteArray pairs = quinellaWidePage(race).html;
    return {{odds + u"01.do"_s, winPlacePage(race)},
            {odds + u"04.do"_s, pairs},
            {odds + u"03.do"_s, exactaPage(race).html},
            {odds + u"04.do"_s, pairs},
            {odds + u"09.do"_s, trioPage(race).html},
            {odds + u"08.do"_s, trifectaPage(race).html},
            {resultPagePath(kCode), resultPage(resultAfterRace(u"大井"_s, 6, 16))}};
}

double gumboParseMs(const QByteArray& html, int runs)
{
    return medianMs(runs, [&] {
        GumboOutput* output = gumbo_parse_with_options(&kGumboDefaultOptions, html.constData(), size_t(html.size()));
        gumbo_destroy_output(&kGumboDefaultOptions, output);
    });
}

// Pages from memory, answered at once.
class PagesInMemory final : public PageSource {
public:
    std::map<QString, QByteArray> pages;
    FetchResult get(const QString& url, const RequestHeaders&) override
    {
        FetchResult result;
        const auto it = pages.find(url);
        if (it == pages.end()) {
            result.status = 404;
            result.error = url + u": HTTP status 404"_s;
            return result;
        }
        result.status = 200;
        result.body = it->second;
        result.contentType = kOddsPageContentType;
        return result;
    }
};

// One race cycle over `source`, with a page fetcher that has rendered nothing yet.
struct CycleBench {
    QTemporaryDir base;
    QTemporaryDir app;
    FormState form;
    RunningClock clock{QDateTime(QDate(2025, 12, 5), QTime(12, 0))};
    DayFolders folders{base.path(), clock};

    CycleBench()
    {
        (void)folders.createAll();
        form.grid(Grid::VSFlexGrid8).setTextMatrix(kRow, ScheduleColumn::PageId, kCode);
    }
    bool run(PageSource& source, const QString& site, std::span<const ScraperStep> steps)
    {
        PageFetcher fetcher(form, source, app.path(), MarkupStyle::Modern);
        Context ctx{form, clock, folders, fetcher, app.path(), site};
        RaceCycle cycle(ctx, steps);
        const RaceOutcome outcome = cycle.Race_get(u"大井"_s, 6, kRow);
        return outcome.ok() && outcome.written.size() == 11;
    }
};

class Quiet final : public Notifier {
public:
    void tell(const QString&, const QString&) override {}
    bool ask(const QString&, const QString&) override { return false; }
};

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const auto pages = racePages();
    // "cycle N": only the in-memory race cycle, N times, for a profiler.
    if (argc == 3 && QByteArray(argv[1]) == "cycle") {
        PagesInMemory memory;
        for (const auto& [address, html] : pages)
            memory.pages[u"http://site.test"_s + address] = html;
        CycleBench bench;
        for (int i = QByteArray(argv[2]).toInt(); i > 0; --i)
            if (!bench.run(memory, u"http://site.test"_s, raceScrapers()))
                return 1;
        return 0;
    }
    const QByteArray& trifecta = pages[5].second;

    // The parser alone, and the whole way from the bytes to the body markup.
    const double gumboMs = gumboParseMs(trifecta, 30);
    const double renderMs =
        medianMs(30, [&] { (void)PageFetcher::renderPage(trifecta, kOddsPageContentType, MarkupStyle::Modern); });
    const double gumboRate = megabytesPerSecond(trifecta.size(), gumboMs);
    const double renderRate = megabytesPerSecond(trifecta.size(), renderMs);
    std::printf("16-runner trifecta page: %lld bytes\n", static_cast<long long>(trifecta.size()));
    line("gumbo's own parse, 16-runner trifecta page", gumboRate, "MB/s", u"the floor"_s);
    line("renderer, same page", renderRate, "MB/s",
         verdict(renderRate >= 0.9 * gumboRate,
                 u"90 % of gumbo or more: %1 %"_s.arg(100 * renderRate / gumboRate, 0, 'f', 0)));

    // A whole cycle from pages in memory to the eleven files.
    double sevenPagesMs = 0;
    for (const auto& [address, html] : pages)
        sevenPagesMs += gumboParseMs(html, 15);
    PagesInMemory memory;
    const QString site = u"http://site.test"_s;
    for (const auto& [address, html] : pages)
        memory.pages[site + address] = html;
    CycleBench inMemory;
    bool allWritten = true;
    const double cycleMs = medianMs(50, [&] { allWritten = inMemory.run(memory, site, raceScrapers()) && allWritten; });
    line("gumbo's parse of the cycle's seven pages", sevenPagesMs, "ms");
    line("16-runner race cycle, pages in memory to 11 files (median of 50)", cycleMs, "ms",
         verdict(allWritten && cycleMs <= 1.3 * sevenPagesMs,
                 u"at most 1.3 x the seven pages' parse: %1 x"_s.arg(cycleMs / sevenPagesMs, 0, 'f', 2)));

    // The same cycle against the local site, 50 ms before every answer.
    SiteServer server;
    if (!server.listen()) {
        std::fprintf(stderr, "the local site cannot listen: %s\n", qPrintable(server.errorString()));
        return 1;
    }
    constexpr int kDelayMs = 50;
    for (const auto& [address, html] : pages) {
        SiteResponse response;
        response.body = html;
        response.contentType = kOddsPageContentType;
        response.delayBeforeMs = kDelayMs;
        server.setPage(address, response);
    }
    std::vector<ScraperStep> oneAfterAnother(raceScrapers().begin(), raceScrapers().end());
    for (ScraperStep& step : oneAfterAnother)
        step.pages = nullptr;
    HttpPageSource http(30000);
    CycleBench overHttp;
    const double pipelinedMs =
        medianMs(15, [&] { allWritten = overHttp.run(http, server.baseUrl(), raceScrapers()) && allWritten; });
    const double serialMs =
        medianMs(15, [&] { allWritten = overHttp.run(http, server.baseUrl(), oneAfterAnother) && allWritten; });
    line("race cycle, local site, 50 ms per answer, pipelined", pipelinedMs, "ms",
         verdict(allWritten && pipelinedMs <= 2 * kDelayMs + cycleMs,
                 u"at most 2 x 50 ms + the cycle's processing: %1 ms"_s.arg(2 * kDelayMs + cycleMs, 0, 'f', 1)));
    line("race cycle, local site, 50 ms per answer, one after another", serialMs, "ms");

    // Start-up: the day's meeting list and race cards read and the schedule filled.
    QTemporaryDir day;
    auto clock = std::make_shared<RunningClock>(QDateTime(QDate(2025, 12, 5), QTime(11, 50)));
    const DemoDay demo(*clock, clock->now());
    if (const Outcome written =
            writeDayCards(QDir(day.path()).filePath(u"uma/nsdat2/251205"_s), demo.cardMeetings(), server.baseUrl());
        !written.ok()) {
        std::fprintf(stderr, "%s\n", qPrintable(written.error));
        return 1;
    }
    Settings settings;
    settings.baseDir = QDir(day.path()).filePath(u"uma"_s);
    settings.appDir = QDir(day.path()).filePath(u"app"_s);
    settings.siteUrl = server.baseUrl();
    Quiet quiet;
    int scheduled = 0;
    const double startMs = medianMs(20, [&] {
        Session session(settings, quiet, clock);
        if (session.start().ok())
            scheduled = session.form().grid(Grid::VSFlexGrid8).rows() - 1;
    });
    std::printf("%-58s %10.2f ms  (%s, %d schedule rows)\n", "start-up to a filled schedule", startMs,
                qPrintable(verdict(startMs <= 30, u"30 ms or less"_s)), scheduled);
    return allWritten ? 0 : 1;
}
