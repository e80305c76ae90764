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
#include <QFile>
#include <QTemporaryDir>

#include <gumbo.h>

#include "demo/day_cards.h"
#include "demo/demo_day.h"
#include "demo/odds_pages.h"
#include "demo/pair_pages.h"
#include "demo/result_pages.h"
#include "demo/site_server.h"
#include "demo/triple_pages.h"
#include "fetch/file_replace.h"
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
#include "foundation/text_codec.h"
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

using RacePages = std::vector<std::pair<QString, QByteArray>>;

// The pages of one sixteen-runner race as the site shows them at `minute` past two, by address
// after the site, in the order the cycle fetches them (the quinella and wide page twice).
RacePages racePages(int minute = 25)
{
    WinPlacePage race;
    race.race = 6;
    race.raceCode = kCode;
    race.time = u"14:%1"_s.arg(minute, 2, 10, QChar(u'0'));
    race.runners = sampleRunners(16);
    // The odds move from one fetch to the next, so no page is the one rendered before.
    for (WinPlaceRunner& runner : race.runners)
        runner.win = QString::number(runner.win.toDouble() + minute / 10.0, 'f', 1);
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

void gumboParse(const QByteArray& html)
{
    GumboOutput* output = gumbo_parse_with_options(&kGumboDefaultOptions, html.constData(), size_t(html.size()));
    gumbo_destroy_output(&kGumboDefaultOptions, output);
}

// The medians of two works timed in turn, so that both meet the same load of a shared machine.
std::pair<double, double> pairedMediansMs(int runs, const std::function<void()>& first,
                                          const std::function<void()>& second)
{
    std::vector<double> a;
    std::vector<double> b;
    for (int i = 0; i < runs; ++i) {
        a.push_back(medianMs(1, first));
        b.push_back(medianMs(1, second));
    }
    std::nth_element(a.begin(), a.begin() + runs / 2, a.end());
    std::nth_element(b.begin(), b.begin() + runs / 2, b.end());
    return {a[size_t(runs / 2)], b[size_t(runs / 2)]};
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

// Race cycles over `source` with one page fetcher, as the program runs them all day.
struct CycleBench {
    QTemporaryDir base;
    QTemporaryDir app;
    FormState form;
    RunningClock clock{QDateTime(QDate(2025, 12, 5), QTime(12, 0))};
    DayFolders folders{base.path(), clock};
    PageFetcher fetcher;
    Context ctx;

    CycleBench(PageSource& source, const QString& site)
        : fetcher(form, source, app.path(), MarkupStyle::Modern), ctx{form, clock, folders, fetcher, app.path(), site}
    {
        (void)folders.createAll();
        form.grid(Grid::VSFlexGrid8).setTextMatrix(kRow, ScheduleColumn::PageId, kCode);
    }
    bool run(std::span<const ScraperStep> steps)
    {
        RaceCycle cycle(ctx, steps);
        const RaceOutcome outcome = cycle.Race_get(u"大井"_s, 6, kRow);
        return outcome.ok() && outcome.written.size() == 11;
    }
};

// Ten minutes of pages, which a fetcher remembers too few of to render any of them only once.
std::vector<RacePages> minutesOfPages()
{
    std::vector<RacePages> minutes;
    for (int minute = 20; minute < 30; ++minute)
        minutes.push_back(racePages(minute));
    return minutes;
}

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
    const std::vector<RacePages> minutes = minutesOfPages();
    const QString site = u"http://site.test"_s;
    PagesInMemory memory;
    CycleBench inMemory(memory, site);
    int cycles = 0;
    // The next minute's pages, then one cycle.
    const auto cycleInMemory = [&] {
        for (const auto& [address, html] : minutes[size_t(cycles++) % minutes.size()])
            memory.pages[site + address] = html;
        return inMemory.run(raceScrapers());
    };
    // "cycle N": only the in-memory race cycle, N times, for a profiler.
    if (argc == 3 && QByteArray(argv[1]) == "cycle") {
        for (int i = QByteArray(argv[2]).toInt(); i > 0; --i)
            if (!cycleInMemory())
                return 1;
        return 0;
    }
    const QByteArray& trifecta = pages[5].second;

    // The parser alone, and the whole way from the bytes to the body markup.
    const auto [gumboMs, renderMs] = pairedMediansMs(
        50, [&] { gumboParse(trifecta); },
        [&] { (void)PageFetcher::renderPage(trifecta, kOddsPageContentType, MarkupStyle::Modern); });
    const double gumboRate = megabytesPerSecond(trifecta.size(), gumboMs);
    const double renderRate = megabytesPerSecond(trifecta.size(), renderMs);
    std::printf("16-runner trifecta page: %lld bytes\n", static_cast<long long>(trifecta.size()));
    line("gumbo's own parse, 16-runner trifecta page", gumboRate, "MB/s", u"the floor"_s);
    line("renderer, same page", renderRate, "MB/s",
         verdict(renderRate >= 0.9 * gumboRate,
                 u"90 % of gumbo or more: %1 %"_s.arg(100 * renderRate / gumboRate, 0, 'f', 0)));

    // Two worst cases that must stay linear: a page with one character the code page lacks
    // (no character-by-character retry of the whole page), and a line full of script tags.
    QString page;
    for (int i = 0; i < 5000; ++i)
        page += u"<td>大井 1R 単勝 abc</td>\n"_s;
    page += u"\U0001F600"_s;
    const double encodeMs = medianMs(20, [&] { (void)toCp932(page); });
    line("CP932 encoding, 120 KB page with one missing character", encodeMs, "ms",
         verdict(encodeMs <= 20, u"20 ms or less"_s));
    QTemporaryDir scratch;
    const QString scripts = scratch.filePath(u"in"_s);
    if (QFile out(scripts); out.open(QIODevice::WriteOnly))
        out.write(QByteArray("<script").repeated(160000));
    const double replaceMs =
        medianMs(5, [&] { (void)File_Replace(scripts, scratch.filePath(u"out"_s), u"<script"_s, u"<Sscript"_s); });
    line("160,000 script tags disabled on one 1.1 MB line", replaceMs, "ms",
         verdict(replaceMs <= 1000, u"1 s or less"_s));

    // A whole cycle from pages in memory to the eleven files.
    bool allWritten = true;
    const auto [sevenPagesMs, cycleMs] = pairedMediansMs(
        50,
        [&] {
            for (const auto& [address, html] : pages)
                gumboParse(html);
        },
        [&] { allWritten = cycleInMemory() && allWritten; });
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
    int served = 0;
    const auto nextMinute = [&] {
        for (const auto& [address, html] : minutes[size_t(served++) % minutes.size()]) {
            SiteResponse response;
            response.body = html;
            response.contentType = kOddsPageContentType;
            response.delayBeforeMs = kDelayMs;
            server.setPage(address, response);
        }
    };
    std::vector<ScraperStep> oneAfterAnother(raceScrapers().begin(), raceScrapers().end());
    for (ScraperStep& step : oneAfterAnother)
        step.pages = nullptr;
    HttpPageSource http(30000);
    CycleBench overHttp(http, server.baseUrl());
    // The pages change between cycles, outside the time taken.
    const auto timedCycles = [&](std::span<const ScraperStep> steps) {
        std::vector<double> times;
        for (int i = 0; i < 15; ++i) {
            nextMinute();
            times.push_back(medianMs(1, [&] { allWritten = overHttp.run(steps) && allWritten; }));
        }
        std::nth_element(times.begin(), times.begin() + 7, times.end());
        return times[7];
    };
    const double pipelinedMs = timedCycles(raceScrapers());
    const double serialMs = timedCycles(oneAfterAnother);
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
        if (session.start().ok()) {
            const GridModel& schedule = session.form().grid(Grid::VSFlexGrid8);
            scheduled = 0;
            for (int r = 1; r < schedule.rows(); ++r)
                scheduled += schedule.textMatrix(r, ScheduleColumn::Venue).isEmpty() ? 0 : 1;
        }
    });
    std::printf("%-58s %10.2f ms  (%s, %d schedule rows)\n", "start-up to a filled schedule", startMs,
                qPrintable(verdict(startMs <= 30, u"30 ms or less"_s)), scheduled);
    return allWritten ? 0 : 1;
}
