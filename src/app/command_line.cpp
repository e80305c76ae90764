#include "app/command_line.h"

#include <cstdio>
#include <utility>

#include <QCoreApplication>
#include <QDir>
#include <QFile>

#include "app/interrupt.h"
#include "fetch/http_page_source.h"
#include "fetch/page_fetcher.h"
#include "foundation/grid_layouts.h"
#include "foundation/text_codec.h"
#include "schedule/schedule_grid.h"
#include "session/session.h"

namespace kazeyomi {

using namespace Qt::StringLiterals;

namespace {

void printLine(FILE* stream, const QString& text)
{
    const QByteArray bytes = text.toLocal8Bit();
    std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stream);
    std::fputc('\n', stream);
    std::fflush(stream);
}

// A command is where an event enters the program: a failure thrown below it is reported
// with what failed, never the end of the program through the event loop.
template <typename Body> int guarded(const QString& what, Body&& body)
{
    try {
        return body();
    } catch (const std::exception& e) {
        printLine(stderr, u"%1 failed: %2"_s.arg(what, QString::fromLocal8Bit(e.what())));
    } catch (...) {
        printLine(stderr, u"%1 failed"_s.arg(what));
    }
    return kExitFailed;
}

} // namespace

CommandLine parseCommandLine(const QStringList& arguments)
{
    CommandLine line;
    QStringList rest;
    for (qsizetype i = 1; i < arguments.size(); ++i) {
        const QString& arg = arguments[i];
        if (arg == u"--help" || arg == u"-h")
            line.mode = CommandLine::Mode::Help;
        else if (arg == u"--headless")
            line.headless = true;
        else if (arg == u"--speed" || arg.startsWith(u"--speed=")) {
            const QString value = arg.contains(u'=') ? arg.section(u'=', 1) : arguments.value(++i);
            bool ok = false;
            line.speed = value.toDouble(&ok);
            if (!ok || line.speed <= 0 || line.speed > 10000)
                line.errors << u"--speed needs a number greater than 0"_s;
        } else if (arg == u"--race" && i + 2 < arguments.size()) {
            line.exportVenue = arguments[++i];
            line.exportRace = arguments[++i].toInt();
        } else if (arg == u"--format" || arg.startsWith(u"--format=")) {
            line.format = arg.contains(u'=') ? arg.section(u'=', 1) : arguments.value(++i);
            if (line.format != u"csv" && line.format != u"jsonl")
                line.errors << u"--format is csv or jsonl"_s;
        } else if (arg == u"--style" || arg.startsWith(u"--style=")) {
            line.style = arg.contains(u'=') ? arg.section(u'=', 1) : arguments.value(++i);
        } else
            rest << arg;
    }
    SettingsResult settings = resolveSettings(currentSources(rest));
    line.settings = settings.settings;
    line.errors += settings.errors;
    QStringList positional;
    for (const QString& arg : settings.unusedArgs) {
        if (arg.startsWith(u"--"))
            line.errors << u"unknown option %1"_s.arg(arg);
        else
            positional << arg;
    }
    if (line.mode == CommandLine::Mode::Help)
        return line;
    if (positional.isEmpty()) {
        line.mode = line.headless ? CommandLine::Mode::Headless : CommandLine::Mode::Window;
        return line;
    }
    const QString command = positional.takeFirst();
    line.positional = positional;
    if (command == u"render")
        line.mode = CommandLine::Mode::Render;
    else if (command == u"race")
        line.mode = CommandLine::Mode::Race;
    else if (command == u"card")
        line.mode = CommandLine::Mode::Card;
    else if (command == u"demo")
        line.mode = CommandLine::Mode::Demo;
    else if (command == u"export")
        line.mode = CommandLine::Mode::Export;
    else if (command == u"import")
        line.mode = CommandLine::Mode::Import;
    else
        line.errors << u"unknown command \"%1\""_s.arg(command);
    return line;
}

QString usageText()
{
    return uR"(Usage: kazeyomi [options]              the window
       kazeyomi --headless [options]   the same without a window: start-up, 開始, poll until every race stops
       kazeyomi race <venue> <race-number> [options]
                                       one fetch of one race; exit 0 ok, 1 a fetch or file failed, 2 usage
       kazeyomi card <venue> <race-number> [options]
                                       the race's card from the regional portal into its race card file;
                                       exit status as for race
       kazeyomi demo [--headless] [--speed N] [options]
                                       a made-up day of two meetings served by a local site; the
                                       clock runs N times faster
       kazeyomi render <file-or-URL> [--style modern|legacy]
                                       the page as the scrapers read it, in CP932 on standard output
       kazeyomi export <yymmdd> [--race <venue> <race-number>] [--format csv|jsonl]
                                       the day's history database, one row per race, fetch and
                                       combination, UTF-8 on standard output
       kazeyomi import <odds-folder>   the odds files of a past day into its history database
       kazeyomi --help

)"_s + settingsHelp();
}

void StderrNotifier::tell(const QString& title, const QString& text)
{
    printLine(stderr, title + u": "_s + text);
}

bool StderrNotifier::ask(const QString& title, const QString& text)
{
    // Nobody is there to answer: a question without a window is answered "Cancel".
    printLine(stderr, title + u": "_s + text + u" (no one to answer: cancelled)"_s);
    return false;
}

int startOrExplain(Session& session, Notifier& notifier)
{
    const StartupResult result = session.start();
    if (result.ok())
        return -1;
    notifier.tell(result.title, result.message);
    return kExitUsage;
}

void printSchedule(Session& session)
{
    const GridModel& grid = session.form().grid(Grid::VSFlexGrid8);
    printLine(stdout, u"Schedule for %1 (%2 races)"_s.arg(session.folders().dayKey()).arg(grid.rows() - 1));
    for (int r = 1; r < grid.rows(); ++r) {
        printLine(stdout, u"%1  %2 %3R  %4  %5  %6"_s.arg(r, 3)
                              .arg(grid.textMatrix(r, ScheduleColumn::Venue))
                              .arg(grid.textMatrix(r, ScheduleColumn::Race), 2)
                              .arg(grid.textMatrix(r, ScheduleColumn::PostTime))
                              .arg(grid.textMatrix(r, ScheduleColumn::PageId))
                              .arg(grid.textMatrix(r, ScheduleColumn::RaceName)));
    }
}

QString describe(const RaceOutcome& outcome)
{
    QString text = u"%1 %2R"_s.arg(outcome.venue).arg(outcome.race);
    if (!outcome.written.isEmpty())
        text += u"  wrote "_s + outcome.written.join(u' ');
    if (!outcome.stopped.isEmpty())
        text += u"  nothing written: "_s + outcome.stopped;
    for (const QString& failure : outcome.failures)
        text += u"\n    failed: "_s + failure;
    return text;
}

int runHeadless(const CommandLine& line)
{
    StderrNotifier notifier;
    Session session(line.settings, notifier);
    return guarded(u"the headless mode"_s, [&] { return pollHeadless(session, notifier); });
}

int endHeadless(Session& session, const QString& why)
{
    const QString stamp = session.clock().now().toString(u"HH:mm:ss"_s);
    printLine(stdout, stamp + u"  "_s + why);
    // As closing the window does: the schedule is kept in Grid8.dat.
    if (const Outcome saved = session.saveSchedule(); !saved.ok()) {
        printLine(stderr, saved.error);
        return kExitFailed;
    }
    printLine(stdout, stamp + u"  saved the schedule to "_s + QDir::toNativeSeparators(session.schedulePath()));
    return kExitOk;
}

int pollHeadless(Session& session, Notifier& notifier)
{
    if (const int code = startOrExplain(session, notifier); code >= 0)
        return code;
    printSchedule(session);
    const auto stamp = [&] { return session.clock().now().toString(u"HH:mm:ss"_s); };
    // The connections end with this run: a test may run the headless mode more than once.
    QObject run;
    bool ended = false;
    const auto end = [&](const QString& why) {
        if (std::exchange(ended, true))
            return;
        // A page half received is no page: nothing more is fetched or written on the way out.
        session.context().fetcher.stop();
        QCoreApplication::exit(guarded(u"the end of the headless mode"_s, [&] { return endHeadless(session, why); }));
    };
    QObject::connect(&session.form(), &FormState::logged, &run, [](const QString& text) { printLine(stderr, text); });
    QObject::connect(&session.poll(), &PollCycle::raceFetched, &run,
                     [&](const RaceOutcome& outcome) { printLine(stdout, stamp() + u"  "_s + describe(outcome)); });
    QObject::connect(&session.poll(), &PollCycle::tickFinished, &run, [&] {
        if (guarded(u"counting the races still polled"_s, [&] { return session.poll().activeRows(); }) == 0)
            end(u"every race is stopped"_s);
    });
    onInterrupt([&] { end(u"interrupted: stopping"_s); });
    printLine(stdout, stamp() + u"  開始: polling %1 races"_s.arg(session.form().grid(Grid::VSFlexGrid8).rows() - 1));
    session.click(u"Command2"_s);
    const int code = QCoreApplication::exec();
    onInterrupt({});
    return code;
}

namespace {

int renderCommand(const CommandLine& line)
{
    const QString source = line.positional.value(0);
    MarkupStyle style = line.settings.siteStyle;
    if (line.style == u"legacy")
        style = MarkupStyle::Legacy;
    else if (line.style == u"modern")
        style = MarkupStyle::Modern;
    else if (!line.style.isEmpty() || line.positional.size() != 1) {
        std::fputs("usage: kazeyomi render <file-or-URL> [--style modern|legacy]\n", stderr);
        return kExitUsage;
    }
    QByteArray body;
    QByteArray contentType;
    if (source.startsWith(u"http://"_s, Qt::CaseInsensitive) || source.startsWith(u"https://"_s, Qt::CaseInsensitive)) {
        HttpPageSource http(line.settings.timeoutMs);
        const FetchResult page = http.get(source, {{"If-Modified-Since", kIfModifiedSince.toLatin1()}});
        if (!page.ok()) {
            printLine(stderr, page.error);
            return kExitFailed;
        }
        body = page.body;
        contentType = page.contentType;
    } else {
        QFile file(source);
        if (!file.open(QIODevice::ReadOnly)) {
            printLine(stderr, u"%1: cannot be read (%2)"_s.arg(source, file.errorString()));
            return kExitFailed;
        }
        body = file.readAll();
    }
    const RenderedPage page = PageFetcher::renderPage(body, contentType, style);
    if (!page.ok()) {
        printLine(stderr, u"%1: %2"_s.arg(source, page.error));
        return kExitFailed;
    }
    // Modern: the page cache text the odds and result scrapers read; legacy: the body markup
    // with CR LF line ends, as the race card capture keeps it.
    const QString text =
        style == MarkupStyle::Modern
            ? PageFetcher::cacheText(page.markup)
            : QString(page.markup).replace(u"\r\n"_s, u"\n"_s).replace(u'\r', u'\n').replace(u"\n"_s, u"\r\n"_s);
    const QByteArray bytes = toCp932(text);
    std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stdout);
    return kExitOk;
}

} // namespace

int runRender(const CommandLine& line)
{
    return guarded(u"render"_s, [&] { return renderCommand(line); });
}

namespace {

// "<venue> <race-number>" of the race and card commands; race 0 when they do not read so.
std::pair<QString, int> venueAndRace(const CommandLine& line, int lastRace)
{
    bool ok = false;
    const int race = line.positional.value(1).toInt(&ok);
    if (line.positional.size() != 2 || !ok || race < 1 || race > lastRace)
        return {{}, 0};
    return {line.positional[0], race};
}

int raceCommand(const CommandLine& line)
{
    const auto [venue, race] = venueAndRace(line, 99);
    if (race == 0) {
        std::fputs("usage: kazeyomi race <venue> <race-number> [options]\n", stderr);
        return kExitUsage;
    }
    StderrNotifier notifier;
    Session session(line.settings, notifier);
    if (const int code = startOrExplain(session, notifier); code >= 0)
        return code;
    const GridModel& schedule = session.form().grid(Grid::VSFlexGrid8);
    int row = 0;
    for (int r = 1; r < schedule.rows() && !row; ++r)
        if (schedule.textMatrix(r, ScheduleColumn::Venue) == venue &&
            schedule.textMatrix(r, ScheduleColumn::Race) == QString::number(race))
            row = r;
    if (!row) {
        printLine(stderr, u"no race %1 %2R in today's schedule (%3)"_s.arg(venue).arg(race).arg(
                              session.folders().cardFolder()));
        return kExitUsage;
    }
    QObject::connect(&session.form(), &FormState::logged, [](const QString& text) { printLine(stderr, text); });
    const RaceOutcome outcome = session.races().Race_get(venue, race, row);
    printLine(stdout, describe(outcome));
    return outcome.ok() ? kExitOk : kExitFailed;
}

} // namespace

int runRace(const CommandLine& line)
{
    return guarded(u"race"_s, [&] { return raceCommand(line); });
}

namespace {

int cardCommand(const CommandLine& line)
{
    const auto [venue, race] = venueAndRace(line, 11);
    if (race == 0) {
        std::fputs("usage: kazeyomi card <venue> <race-number 1-11> [options]\n", stderr);
        return kExitUsage;
    }
    StderrNotifier notifier;
    Session session(line.settings, notifier);
    if (const int code = startOrExplain(session, notifier); code >= 0)
        return code;
    QObject::connect(&session.form(), &FormState::logged, [](const QString& text) { printLine(stderr, text); });
    const auto& meetings = session.form().meetings;
    int index = -1;
    for (size_t i = 0; i < meetings.size() && index < 0; ++i)
        if (meetings[i].venue == venue)
            index = int(i);
    if (index < 0) {
        printLine(stderr,
                  u"no meeting at %1 in today's meeting list (%2)"_s.arg(venue, session.folders().cardFolder()));
        return kExitUsage;
    }
    if (const Outcome chosen = session.chooseMeeting(index); !chosen.ok()) {
        printLine(stderr, chosen.error);
        return kExitUsage;
    }
    const CardCapture capture = session.Option2_Click(race - 1);
    if (capture.beyondRaceCount) {
        printLine(stderr,
                  u"%1 has %2 races today: no race %3"_s.arg(venue).arg(meetings[size_t(index)].races).arg(race));
        return kExitUsage;
    }
    if (!capture.ok())
        return kExitFailed; // the session logged why
    const CardWrite written = session.Command1_Click(ScheduleCardReplace::Write);
    if (!written.ok())
        return kExitFailed; // told on standard error
    if (written.replacedSchedule)
        printLine(stderr, u"%1 was one of the race card files today's schedule is read from: its first line now has no "
                          "post time and no race page URL, so the next start-up today cannot build %2 %3R from it"_s
                              .arg(QDir::toNativeSeparators(written.path), venue)
                              .arg(race));
    printLine(stdout, u"%1 %2R  %3 runners  wrote %4"_s.arg(venue)
                          .arg(race)
                          .arg(capture.runners)
                          .arg(QDir::toNativeSeparators(written.path)));
    return kExitOk;
}

} // namespace

int runCard(const CommandLine& line)
{
    return guarded(u"card"_s, [&] { return cardCommand(line); });
}

} // namespace kazeyomi
