// The figures behind "fast": how quickly a page becomes the text the scrapers read, what a
// whole sixteen-runner race cycle costs, what asking for a race's pages at once saves against a
// slow site, and how soon the schedule is there. Each figure is printed on a line of its own,
// with the instructions one run of it takes when they were counted beforehand (bench/run counts
// them under callgrind with "instructions <figure> <runs>"), which a busy machine cannot change.
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

#if __has_include(<valgrind/callgrind.h>)
#include <valgrind/callgrind.h>
#define KAZEYOMI_COUNTS_INSTRUCTIONS 1
#endif

#include "demo/day_cards.h"
#include "demo/demo_day.h"
#include "demo/odds_pages.h"
#include "demo/pair_pages.h"
#include "demo/result_pages.h"
#include "demo/site_server.h"
#include "demo/triple_pages.h"
#include "fetch/file_replace.h"
#include "fetch/http_page_source.h"
#include "fetch/joining_page_source.h"
#include "fetch/page_fetcher.h"
#include "foundation/card_files.h"
#include "foundation/clock.h"
#include "foundation/context.h"
#include "foundation/day_folders.h"
#include "foundation/form_state.h"
#include "foundation/grid_layouts.h"
#include "foundation/grid_model.h"
#include "foundation/notifier.h"
#include "foundation/schedule_columns.h"
#include "foundation/text_codec.h"
#include "history/race_history.h"
#include "schedule/poll_cycle.h"
#include "schedule/race_fetch.h"
#include "schedule/schedule_grid.h"
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

QString verdict(bool met, const QString& target);

// Instructions of one run of each figure, as bench/run counted them, of gumbo's parse inside it
// and of the layout watch's reading of the tables from that parse: "<figure> <count> [<parse>
// [<tables>]]" a line.
struct FigureCount {
    double total = 0;
    double parse = 0;
    double tables = 0;
};

std::map<QString, FigureCount> countedInstructions()
{
    std::map<QString, FigureCount> counts;
    QFile file(qEnvironmentVariable("KAZEYOMI_BENCH_INSTRUCTIONS"));
    if (file.fileName().isEmpty() || !file.open(QIODevice::ReadOnly))
        return counts;
    for (const QByteArray& row : file.readAll().split('\n'))
        if (const QList<QByteArray> fields = row.simplified().split(' '); fields.size() >= 2)
            counts[QString::fromLatin1(fields[0])] = {fields[1].toDouble(), fields.value(2).toDouble(),
                                                      fields.value(3).toDouble()};
    return counts;
}

const FigureCount& counted(const char* figure)
{
    static const std::map<QString, FigureCount> counts = countedInstructions();
    static const FigureCount none;
    const auto it = counts.find(QString::fromLatin1(figure));
    return it == counts.end() ? none : it->second;
}

double instructions(const char* figure)
{
    return counted(figure).total;
}

// What a figure's work costs besides gumbo's own parse inside it, as a share of that parse; the
// layout watch's reading of the tables, done from the same parse, is told apart.
QString extrasBesideTheParse(const char* figure, double limit)
{
    const FigureCount& c = counted(figure);
    if (c.total <= 0 || c.parse <= 0)
        return u"the share of the parse needs callgrind"_s;
    const double share = (c.total - c.parse - c.tables) / c.parse;
    QString text =
        u"the rest besides the parse %1 % of gumbo's parse inside it (%2 M), %3 % or less"_s.arg(100 * share, 0, 'f', 1)
            .arg(c.parse / 1e6, 0, 'f', 1)
            .arg(100 * limit, 0, 'f', 0);
    if (c.tables > 0)
        text += u"; the tables read for the layout watch %1 % more"_s.arg(100 * c.tables / c.parse, 0, 'f', 1);
    return verdict(share <= limit, text);
}

// How many times `figure` costs `base`: in instructions where both were counted, as they hold on
// a busy machine, else in time.
QString costRatio(const char* figure, double figureMs, const char* base, double baseMs, double& ratio)
{
    const bool counted = instructions(figure) > 0 && instructions(base) > 0;
    ratio = counted ? instructions(figure) / instructions(base) : figureMs / baseMs;
    return u"%1 x in %2"_s.arg(ratio, 0, 'f', 2).arg(counted ? u"instructions"_s : u"time"_s);
}

// One figure: its value, then the instructions of one run of its work where they were counted.
void line(const char* figure, const char* what, double value, const char* unit, const QString& target = {})
{
    const double counted = instructions(figure);
    const QString count = counted > 0 ? u"%1 M instr"_s.arg(counted / 1e6, 0, 'f', 1) : QString();
    std::printf("%-58s %10.2f %-4s %16s%s\n", what, value, unit, qPrintable(count),
                target.isEmpty() ? "" : qPrintable(u"  ("_s + target + u")"_s));
}

QString verdict(bool met, const QString& target)
{
    return (met ? u"target met: "_s : u"target NOT met: "_s) + target;
}

using RacePages = std::vector<std::pair<QString, QByteArray>>;

// The pages of one sixteen-runner race as the site shows them at `minute` past two, by address
// after the site, in the order the cycle's scrapers read them (the quinella and wide page twice).
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
    RaceObserver* history = nullptr;

    CycleBench(PageSource& source, const QString& site)
        : fetcher(form, source, app.path(), MarkupStyle::Modern), ctx{form, clock, folders, fetcher, app.path(), site}
    {
        (void)folders.createAll();
        form.grid(Grid::VSFlexGrid8).setTextMatrix(kRow, ScheduleColumn::PageId, kCode);
    }
    bool run(std::span<const ScraperStep> steps)
    {
        RaceCycle cycle(ctx, steps);
        cycle.setObserver(history);
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

// A page of about 1.4 MB: the trifecta page's body repeated, tables and all.
QByteArray largePage(const QByteArray& trifecta)
{
    const qsizetype bodyStart = trifecta.indexOf("<body");
    const qsizetype bodyEnd = trifecta.lastIndexOf("</body>");
    const qsizetype inner = trifecta.indexOf('>', bodyStart) + 1;
    const QByteArray body = trifecta.mid(inner, bodyEnd - inner);
    QByteArray page = trifecta.left(inner);
    while (page.size() + body.size() < 1'400'000)
        page += body;
    return page + trifecta.mid(bodyEnd);
}

class Quiet final : public Notifier {
public:
    void tell(const QString&, const QString&) override {}
    bool ask(const QString&, const QString&) override { return false; }
};

// A clock that shows what it is set to.
class SetClock final : public Clock {
public:
    QDateTime at;
    QDateTime now() const override { return at; }
};

// The races of a tick as they were fetched before the tick asked for all their pages at once:
// each race asks for its own when it starts.
class RaceByRace final : public RaceFetcher {
public:
    explicit RaceByRace(RaceFetcher& races) : m_races(races) {}
    RaceOutcome Race_get(const QString& venue, int n, int row) override { return m_races.Race_get(venue, n, row); }
    bool busy() const override { return m_races.busy(); }

private:
    RaceFetcher& m_races;
};

// One tick with every race of `day` due at once, against the local site; the races fetched
// whole are counted into `fetched`.
double busyTickMs(SetClock& clock, const DemoDay& day, const QString& site, bool together, int& fetched)
{
    QTemporaryDir base;
    QTemporaryDir app;
    FormState form;
    clock.at = QDateTime(QDate(2025, 12, 5), QTime(13, 30));
    DayFolders folders(base.path(), clock);
    (void)folders.createAll();
    // As the program asks: the page two scrapers share is one request.
    JoiningPageSource http(std::make_unique<HttpPageSource>(30000));
    PageFetcher fetcher(form, http, app.path(), MarkupStyle::Modern);
    Context ctx{form, clock, folders, fetcher, app.path(), site};
    RaceCycle races(ctx);
    RaceByRace raceByRace(races);
    PollCycle poll(form, clock, together ? static_cast<RaceFetcher&>(races) : raceByRace);
    std::vector<RaceCard> cards;
    for (const DemoRace& race : day.races())
        cards.push_back({race.venue, race.race, race.post.toString(u"HH:mm"_s), race.name, race.pageId});
    fillScheduleGrid(form.grid(Grid::VSFlexGrid8), cards);
    form.setVenueBox(0, {true, u"大井"_s, true});
    form.setVenueBox(1, {true, u"川崎"_s, true});
    fetched = 0;
    QObject::connect(&poll, &PollCycle::raceFetched, [&](const RaceOutcome& outcome) {
        fetched += outcome.ok() && outcome.written.size() == 11 ? 1 : 0;
    });
    poll.Command2_Click();
    clock.at = clock.at.addSecs(1);
    const auto start = Clocked::now();
    poll.Timer1_Timer();
    return std::chrono::duration<double, std::milli>(Clocked::now() - start).count();
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = QCoreApplication::arguments().mid(1);
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
    // The same minute's pages again and again: each comes from the fetcher's renderings of the
    // run before, so what is left is the scrapers, the writers and the fetcher's bookkeeping.
    PagesInMemory samePages;
    for (const auto& [address, html] : minutes.front())
        samePages.pages[site + address] = html;
    CycleBench rendered(samePages, site);
    // "cycle N [history]": only the in-memory race cycle, N times, for a profiler; with the
    // pages read by their structure, the files checked against them and the database written.
    RaceHistory history(inMemory.ctx);
    if (args.size() == 3 && args[2] == u"history")
        inMemory.history = &history;
    if (args.size() >= 2 && args[0] == u"cycle") {
        for (int i = args[1].toInt(); i > 0; --i)
            if (!cycleInMemory())
                return 1;
        return 0;
    }
    // "day <base folder>": the demo day's race cards, for a headless run with nothing due yet.
    if (args.size() == 2 && args[0] == u"day") {
        RunningClock clock(QDateTime(QDate(2025, 12, 5), QTime(11, 50)));
        const Outcome written = writeDayCards(QDir(args[1]).filePath(u"nsdat2/251205"_s),
                                              DemoDay(clock, clock.now()).cardMeetings(), u"http://127.0.0.1:9"_s);
        if (!written.ok())
            std::fprintf(stderr, "%s\n", qPrintable(written.error));
        return written.ok() ? 0 : 1;
    }
    const QByteArray& trifecta = pages[5].second;
    const QByteArray large = largePage(trifecta);
    // The cycle asks the site for each address once.
    std::map<QString, QByteArray> distinctPages(pages.begin(), pages.end());

    // The local site, 50 ms before every answer.
    SiteServer server;
    if (!server.listen()) {
        std::fprintf(stderr, "the local site cannot listen: %s\n", qPrintable(server.errorString()));
        return 1;
    }
    constexpr int kDelayMs = 50;
    int served = 0;
    const auto nextMinute = [&](int delayMs) {
        for (const auto& [address, html] : minutes[size_t(served++) % minutes.size()]) {
            SiteResponse response;
            response.body = html;
            response.contentType = kOddsPageContentType;
            response.delayBeforeMs = delayMs;
            server.setPage(address, response);
        }
    };
    std::vector<ScraperStep> oneAfterAnother(raceScrapers().begin(), raceScrapers().end());
    for (ScraperStep& step : oneAfterAnother)
        step.pages = nullptr;
    // As the program asks: the page two scrapers share is one request.
    JoiningPageSource http(std::make_unique<HttpPageSource>(30000));
    CycleBench overHttp(http, server.baseUrl());
    bool allWritten = true;

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
    const auto startUp = [&] {
        Session session(settings, quiet, clock);
        if (session.start().ok()) {
            const GridModel& schedule = session.form().grid(Grid::VSFlexGrid8);
            scheduled = 0;
            for (int r = 1; r < schedule.rows(); ++r)
                scheduled += schedule.textMatrix(r, ScheduleColumn::Venue).isEmpty() ? 0 : 1;
        }
    };

    // Every figure's work, by the name bench/run counts its instructions under.
    const std::vector<std::pair<const char*, std::function<void()>>> works = {
        {"gumbo-trifecta", [&] { gumboParse(trifecta); }},
        {"render-trifecta", [&] { (void)renderPage(trifecta, kOddsPageContentType, MarkupStyle::Modern); }},
        {"gumbo-large", [&] { gumboParse(large); }},
        {"render-large", [&] { (void)renderPage(large, kOddsPageContentType, MarkupStyle::Modern); }},
        {"prepare-trifecta", [&] { (void)preparePage(trifecta, kOddsPageContentType, MarkupStyle::Modern); }},
        {"render-command-large",
         [&] {
             const RenderedPage page = renderCacheText(large, kOddsPageContentType, MarkupStyle::Modern);
             (void)toCp932(page.markup);
         }},
        {"gumbo-cycle-pages",
         [&] {
             for (const auto& [address, html] : distinctPages)
                 gumboParse(html);
         }},
        {"cycle-in-memory", [&] { allWritten = cycleInMemory() && allWritten; }},
        {"cycle-rendered", [&] { allWritten = rendered.run(raceScrapers()) && allWritten; }},
        {"cycle-http-pipelined",
         [&] {
             nextMinute(kDelayMs);
             allWritten = overHttp.run(raceScrapers()) && allWritten;
         }},
        {"cycle-http-serial",
         [&] {
             nextMinute(kDelayMs);
             allWritten = overHttp.run(oneAfterAnother) && allWritten;
         }},
        {"startup", startUp},
    };
    const auto work = [&](const char* name) -> const std::function<void()>& {
        for (const auto& [figure, run] : works)
            if (QByteArray(figure) == name)
                return run;
        std::abort();
    };
    if (args.size() == 1 && args[0] == u"--figures") {
        for (const auto& [figure, run] : works)
            std::printf("%s\n", figure);
        return 0;
    }
    // "instructions <figure> <runs>": one run to warm up, then `runs` runs with the counting on.
    if (args.size() == 3 && args[0] == u"instructions") {
#ifdef KAZEYOMI_COUNTS_INSTRUCTIONS
        const QByteArray figure = args[1].toLatin1();
        const std::function<void()>& run = work(figure.constData());
        run();
        CALLGRIND_START_INSTRUMENTATION;
        for (int i = args[2].toInt(); i > 0; --i)
            run();
        CALLGRIND_STOP_INSTRUMENTATION;
        return allWritten ? 0 : 1;
#else
        std::fprintf(stderr, "built without valgrind/callgrind.h: instructions are not counted\n");
        return 2;
#endif
    }

    // The parser alone, and the whole way from the bytes to the body markup.
    const auto [gumboMs, renderMs] = pairedMediansMs(50, work("gumbo-trifecta"), work("render-trifecta"));
    const double gumboRate = megabytesPerSecond(trifecta.size(), gumboMs);
    const double renderRate = megabytesPerSecond(trifecta.size(), renderMs);
    std::printf("16-runner trifecta page: %lld bytes; large page: %lld bytes\n",
                static_cast<long long>(trifecta.size()), static_cast<long long>(large.size()));
    line("gumbo-trifecta", "gumbo's own parse, 16-runner trifecta page", gumboRate, "MB/s", u"the floor"_s);
    double ratio = 0;
    const QString renderCost = costRatio("render-trifecta", renderMs, "gumbo-trifecta", gumboMs, ratio);
    line("render-trifecta", "renderer, same page", renderRate, "MB/s",
         verdict(ratio <= 1 / 0.9, u"gumbo's cost / 0.9 or less: "_s + renderCost));
    // What the cycle does with each page: rendered, its tables read, the page cache text, its
    // CP932 bytes and the lines the scrapers read. Gumbo's own parse inside is the measure.
    const double prepareMs = medianMs(50, work("prepare-trifecta"));
    line("prepare-trifecta", "page made ready for the scrapers, same page", prepareMs, "ms",
         extrasBesideTheParse("prepare-trifecta", 0.15));
    const auto [gumboLargeMs, renderLargeMs] = pairedMediansMs(9, work("gumbo-large"), work("render-large"));
    const RenderedPage largeRendered = renderPage(large, kOddsPageContentType, MarkupStyle::Modern);
    line("gumbo-large", "gumbo's own parse, the large page", gumboLargeMs, "ms");
    line("render-large", "the large page rendered", renderLargeMs, "ms",
         largeRendered.ok() ? costRatio("render-large", renderLargeMs, "gumbo-large", gumboLargeMs, ratio)
                            : u"refused: "_s + largeRendered.error);
    const double commandLargeMs = medianMs(5, work("render-command-large"));
    line("render-command-large", "kazeyomi render's work, the large page in CP932", commandLargeMs, "ms",
         extrasBesideTheParse("render-command-large", 0.15));

    // Two worst cases that must stay linear: a page with one character the code page lacks
    // (no character-by-character retry of the whole page), and a line full of script tags.
    QString missing;
    for (int i = 0; i < 5000; ++i)
        missing += u"<td>大井 1R 単勝 abc</td>\n"_s;
    missing += u"\U0001F600"_s;
    const double encodeMs = medianMs(20, [&] { (void)toCp932(missing); });
    line("cp932-missing", "CP932 encoding, 120 KB page with one missing character", encodeMs, "ms",
         verdict(encodeMs <= 20, u"20 ms or less"_s));
    QTemporaryDir scratch;
    const QString scripts = scratch.filePath(u"in"_s);
    if (QFile out(scripts); out.open(QIODevice::WriteOnly))
        out.write(QByteArray("<script").repeated(160000));
    const double replaceMs =
        medianMs(5, [&] { (void)File_Replace(scripts, scratch.filePath(u"out"_s), u"<script"_s, u"<Sscript"_s); });
    line("script-tags", "160,000 script tags disabled on one 1.1 MB line", replaceMs, "ms",
         verdict(replaceMs <= 1000, u"1 s or less"_s));

    // A whole cycle from pages in memory to the eleven files.
    const auto [pagesMs, cycleMs] = pairedMediansMs(50, work("gumbo-cycle-pages"), work("cycle-in-memory"));
    line("gumbo-cycle-pages", "gumbo's parse of the cycle's six pages", pagesMs, "ms");
    const QString cycleCost = costRatio("cycle-in-memory", cycleMs, "gumbo-cycle-pages", pagesMs, ratio);
    const FigureCount& cycleCounted = counted("cycle-in-memory");
    const QString ownParse = cycleCounted.parse > 0 ? u"; %1 x gumbo's parse as the renderer runs it (%2 M)"_s
                                                          .arg(cycleCounted.total / cycleCounted.parse, 0, 'f', 2)
                                                          .arg(cycleCounted.parse / 1e6, 0, 'f', 1)
                                                    : QString();
    line("cycle-in-memory", "16-runner race cycle, pages in memory to 11 files (median of 50)", cycleMs, "ms",
         verdict(allWritten && ratio <= 1.3, u"at most 1.3 x the six pages' parse: "_s + cycleCost) + ownParse);
    // Its scrapers and writers alone: the same pages again, each already rendered.
    const double renderedMs = medianMs(50, work("cycle-rendered"));
    const QString scrapersCost = costRatio("cycle-rendered", renderedMs, "gumbo-cycle-pages", pagesMs, ratio);
    line("cycle-rendered", "its scrapers and writers, the pages already rendered", renderedMs, "ms",
         verdict(allWritten && ratio <= 0.25, u"at most 0.25 x the six pages' parse: "_s + scrapersCost));

    // The same cycle against the local site; the pages change between cycles, outside the time.
    // In rounds, so that all meet the same load of a shared machine: the site answering at once
    // (the processing over HTTP, requests and answers included), then after 50 ms; and a small
    // page both ways, for what one round trip takes here: the site's timer and the wake-up of a
    // program idle for 50 ms add a little to the 50 ms. Then one page after another.
    const auto timedCycle = [&](std::span<const ScraperStep> steps, int delayMs) {
        nextMinute(delayMs);
        return medianMs(1, [&] { allWritten = overHttp.run(steps) && allWritten; });
    };
    const auto timedPage = [&](int delayMs) {
        server.setPage(u"/round-trip"_s, {.body = "<p>.</p>", .delayBeforeMs = delayMs});
        return medianMs(1, [&] { allWritten = http.get(server.baseUrl() + u"/round-trip"_s, {}).ok() && allWritten; });
    };
    // One round trip: every request of the race was at the site before its first answer left.
    const auto lastRequest = [&] { return server.requests().isEmpty() ? 0 : server.requests().back().serial; };
    bool watching = false;
    quint64 requestsAtFirstAnswer = 0;
    const QMetaObject::Connection firstAnswer = QObject::connect(&server, &SiteServer::requestServed, [&] {
        if (watching && requestsAtFirstAnswer == 0)
            requestsAtFirstAnswer = lastRequest();
    });
    bool oneWave = true;
    quint64 raceRequests = 0;
    std::vector<double> instant;
    std::vector<double> pipelined;
    std::vector<double> waited;    // the pipelined cycle beyond the one at once, round by round
    std::vector<double> roundTrip; // the small page at 50 ms beyond the one at once
    std::vector<double> excess;    // the one beyond the other
    constexpr int kRounds = 41;
    for (int i = 0; i < kRounds; ++i) {
        instant.push_back(timedCycle(raceScrapers(), 0));
        const quint64 before = lastRequest();
        requestsAtFirstAnswer = 0;
        watching = true;
        pipelined.push_back(timedCycle(raceScrapers(), kDelayMs));
        watching = false;
        raceRequests = lastRequest() - before;
        oneWave = oneWave && raceRequests > 0 && requestsAtFirstAnswer == lastRequest();
        const double trip = timedPage(kDelayMs);
        roundTrip.push_back(trip - timedPage(0));
        waited.push_back(pipelined.back() - instant.back());
        excess.push_back(waited.back() - roundTrip.back());
    }
    QObject::disconnect(firstAnswer);
    std::vector<double> serial;
    for (int i = 0; i < 9; ++i)
        serial.push_back(timedCycle(oneAfterAnother, kDelayMs));
    const auto quantile = [](std::vector<double> times, double q) {
        std::sort(times.begin(), times.end());
        return times[size_t(q * double(times.size() - 1) + 0.5)];
    };
    const auto median = [&](const std::vector<double>& times) { return quantile(times, 0.5); };
    const double instantMs = median(instant);
    const double pipelinedMs = median(pipelined);
    const double serialMs = median(serial);
    const double roundTripMs = median(roundTrip);
    const double excessMs = median(excess);
    // Both sides do the same work once the answers are in, so the race is one round trip when the
    // two differ by no more than the rounds tell apart; a second round trip would be 50 ms more.
    constexpr double kResolutionMs = 1.0;
    line("round-trip", "one page at 50 ms per answer, beyond one answered at once", roundTripMs, "ms");
    line("cycle-http-instant", "race cycle, local site answering at once", instantMs, "ms");
    line("cycle-http-pipelined", "race cycle, local site, 50 ms per answer, pipelined", pipelinedMs, "ms",
         verdict(allWritten && oneWave && excessMs <= kResolutionMs,
                 u"one round trip + the cycle's processing: all %1 requests at the site before its first answer "
                 "%2; it takes %3 ms more than at once, one round trip %4 ms: %5 ms apart, median of %6 rounds, "
                 "the middle half %7 to %8 ms, at most %9 ms; instructions include the site's"_s.arg(raceRequests)
                     .arg(oneWave ? u"in every round"_s : u"NOT in every round"_s)
                     .arg(median(waited), 0, 'f', 2)
                     .arg(roundTripMs, 0, 'f', 2)
                     .arg(excessMs, 0, 'f', 2)
                     .arg(kRounds)
                     .arg(quantile(excess, 0.25), 0, 'f', 2)
                     .arg(quantile(excess, 0.75), 0, 'f', 2)
                     .arg(kResolutionMs, 0, 'f', 1)));
    line("cycle-http-serial", "race cycle, local site, 50 ms per answer, one after another", serialMs, "ms");

    // A busy tick: four races due at once, 300 ms before every answer; the tick's pages asked
    // for at once against each race asking for its own as it starts. Interleaved medians.
    constexpr int kBusyDelayMs = 300;
    SetClock tickClock;
    const DemoDay busyDay(tickClock, QDateTime(QDate(2025, 12, 5), QTime(15, 0)), {{u"大井"_s, 2}, {u"川崎"_s, 2}}, 10);
    server.setHandler([&](const QString& target) {
        std::optional<SiteResponse> response = busyDay.respond(target);
        if (response)
            response->delayBeforeMs = kBusyDelayMs;
        return response;
    });
    std::vector<double> together;
    std::vector<double> raceByRace;
    int fetchedTogether = 0;
    int fetchedRaceByRace = 0;
    for (int i = 0; i < 5; ++i) {
        together.push_back(busyTickMs(tickClock, busyDay, server.baseUrl(), true, fetchedTogether));
        raceByRace.push_back(busyTickMs(tickClock, busyDay, server.baseUrl(), false, fetchedRaceByRace));
    }
    std::nth_element(together.begin(), together.begin() + 2, together.end());
    std::nth_element(raceByRace.begin(), raceByRace.begin() + 2, raceByRace.end());
    allWritten = allWritten && fetchedTogether == 4 && fetchedRaceByRace == 4;
    QStringList runners;
    for (const DemoRace& race : busyDay.races())
        runners << QString::number(race.runners);
    const double roundTrips = together[2] / kBusyDelayMs;
    line("busy-tick", "busy tick, four races, 300 ms per answer", together[2], "ms",
         verdict(fetchedTogether == 4 && roundTrips <= 1.5 + cycleMs * 4 / kBusyDelayMs,
                 u"1.5 round trips + four cycles' processing: %1 ms; runners %2"_s
                     .arg(1.5 * kBusyDelayMs + 4 * cycleMs, 0, 'f', 1)
                     .arg(runners.join(u", "_s))));
    line("busy-tick-race-by-race", "busy tick, four races, 300 ms per answer, race by race", raceByRace[2], "ms");
    server.setHandler({});

    const double startMs = medianMs(20, startUp);
    line("startup", "start-up to a filled schedule", startMs, "ms",
         u"%1, %2 schedule rows"_s.arg(verdict(startMs <= 30, u"30 ms or less"_s)).arg(scheduled));
    return allWritten ? 0 : 1;
}
