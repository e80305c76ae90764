#include "app/command_line.h"

#include <cstdio>
#include <utility>

#include <QCoreApplication>
#include <QDir>
#include <QFile>

#include "app/demo_command.h"
#include "app/interrupt.h"
#include "app/terminal.h"
#include "fetch/http_page_source.h"
#include "fetch/page_fetcher.h"
#include "foundation/event_log.h"
#include "foundation/grid_layouts.h"
#include "foundation/text_codec.h"
#include "schedule/schedule_grid.h"
#include "session/folder_claims.h"
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

// The headless mode's one stream: "15:21:04 WARN  大井 11R 15:40  the win/place odds page: ...".
void printEntry(const LogEntry& entry)
{
    QString line = entry.time.isValid() ? entry.time.toString(u"HH:mm:ss"_s) + u' ' : QString();
    line += levelName(entry.level).leftJustified(6);
    if (!entry.race.isEmpty())
        line += entry.race + u"  "_s;
    printLine(stderr, line + entry.text);
}

void printInfo(const Session& session, const QString& text)
{
    printEntry({session.clock().now(), LogLevel::Info, {}, text});
}

} // namespace

bool wantsWindow(const CommandLine& line)
{
    return line.mode == CommandLine::Mode::Window || (line.mode == CommandLine::Mode::Demo && !line.headless);
}

int explainHelpOrErrors(const CommandLine& line)
{
    if (line.mode == CommandLine::Mode::Help && line.helpTopic != CommandLine::Mode::Help)
        std::fputs(qPrintable(commandHelp(line.helpTopic) + u'\n'), stdout);
    if (!line.errors.isEmpty()) {
        std::fputs(qPrintable(line.errors.join(u'\n') + u'\n' + helpPointer(line) + u'\n'), stderr);
        return kExitUsage;
    }
    return line.mode == CommandLine::Mode::Help ? kExitOk : -1;
}

int runCommand(const CommandLine& line)
{
    switch (line.mode) {
    case CommandLine::Mode::Race:
        return runRace(line);
    case CommandLine::Mode::Card:
        return runCard(line);
    case CommandLine::Mode::Render:
        return runRender(line);
    case CommandLine::Mode::Export:
        return runExport(line);
    case CommandLine::Mode::Import:
        return runImport(line);
    case CommandLine::Mode::Demo: {
        StderrNotifier notifier;
        return runDemo(line, notifier, [&](Session& session) { return pollHeadless(session, notifier); });
    }
    default:
        return runHeadless(line);
    }
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

int claimFolders(Settings& settings, bool polling, FolderClaims& claims, Notifier& notifier)
{
    if (polling)
        if (const Outcome held = claims.claimBaseFolder(settings.baseDir); !held.ok()) {
            notifier.tell(u"Kazeyomi"_s, held.error);
            return kExitUsage;
        }
    QString notice;
    if (const Outcome held = claims.claimAppFolder(settings.appDir, &notice); !held.ok()) {
        notifier.tell(u"Kazeyomi"_s, held.error);
        return kExitUsage;
    }
    if (!notice.isEmpty())
        printLine(stderr, notice);
    return -1;
}

int startOrExplain(Session& session, Notifier& notifier)
{
    const StartupResult result = session.start();
    if (result.ok())
        return -1;
    notifier.tell(result.title, result.detail.isEmpty() ? result.message : result.message + u'\n' + result.detail);
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
    Settings settings = line.settings;
    FolderClaims claims;
    if (const int code = claimFolders(settings, true, claims, notifier); code >= 0)
        return code;
    Session session(settings, notifier);
    return guarded(u"the headless mode"_s, [&] { return pollHeadless(session, notifier); });
}

int endHeadless(Session& session, const QString& why, int failedFetches)
{
    printInfo(session, why);
    printInfo(session, u"summary: "_s + session.watch().summary());
    // As closing the window does: the schedule is kept in Grid8.dat.
    if (const Outcome saved = session.saveSchedule(); !saved.ok()) {
        printEntry({session.clock().now(), LogLevel::Error, {}, saved.error});
        return kExitFailed;
    }
    printInfo(session, u"saved the schedule to "_s + QDir::toNativeSeparators(session.schedulePath()));
    // Each failure was told with its race; the exit status says there were some.
    return failedFetches > 0 ? kExitFailed : kExitOk;
}

int pollHeadless(Session& session, Notifier& notifier)
{
    if (const int code = startOrExplain(session, notifier); code >= 0)
        return code;
    printSchedule(session);
    // The connections end with this run: a test may run the headless mode more than once.
    QObject run;
    bool ended = false;
    int failedFetches = 0;
    const auto end = [&](const QString& why) {
        if (std::exchange(ended, true))
            return;
        // A page half received is no page: nothing more is fetched or written on the way out,
        // and the races the tick gives up on the way are no news after the summary.
        session.context().fetcher.stop();
        QObject::disconnect(&session.form().events(), nullptr, &run, nullptr);
        QCoreApplication::exit(
            guarded(u"the end of the headless mode"_s, [&] { return endHeadless(session, why, failedFetches); }));
    };
    // Every line of the fetch log once, on one stream, as the window's log shows it.
    QObject::connect(&session.form().events(), &EventLog::added, &run,
                     [](const LogEntry& entry) { printEntry(entry); });
    QObject::connect(&session.poll(), &PollCycle::raceFetched, &run,
                     [&](const RaceOutcome& outcome) { failedFetches += outcome.ok() ? 0 : 1; });
    QObject::connect(&session.poll(), &PollCycle::tickFinished, &run, [&] {
        if (guarded(u"counting the races still polled"_s, [&] { return session.poll().activeRows(); }) == 0)
            end(u"every race is stopped"_s);
    });
    onInterrupt([&] { end(u"interrupted: stopping"_s); });
    printInfo(session, u"開始: polling %1 races"_s.arg(session.form().grid(Grid::VSFlexGrid8).rows() - 1));
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
        printLine(stderr, u"render needs one saved page or URL and --style modern or legacy "_s + helpPointer(line));
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
    // Modern: the page cache text the odds and result scrapers read; legacy: the body markup
    // with CR LF line ends, as the race card capture keeps it.
    const RenderedPage page =
        style == MarkupStyle::Modern ? renderCacheText(body, contentType, style) : renderPage(body, contentType, style);
    if (!page.ok()) {
        printLine(stderr, u"%1: %2"_s.arg(source, page.error));
        return kExitFailed;
    }
    const QString text =
        style == MarkupStyle::Modern
            ? page.markup
            : QString(page.markup).replace(u"\r\n"_s, u"\n"_s).replace(u'\r', u'\n').replace(u"\n"_s, u"\r\n"_s);
    // A person reads a terminal; a file or a pipe gets the bytes the scrapers read.
    const bool utf8 = line.output == CommandLine::Output::Utf8 ||
                      (line.output == CommandLine::Output::Auto && stdoutIsUtf8Terminal());
    const QByteArray bytes = utf8 ? text.toUtf8() : toCp932(text);
    if (!writeStdoutBytes(bytes.constData(), size_t(bytes.size()))) {
        printLine(stderr, u"render: the page could not be written whole to standard output"_s);
        return kExitFailed;
    }
    return kExitOk;
}

} // namespace

int runRender(const CommandLine& line)
{
    return guarded(u"render"_s, [&] { return renderCommand(line); });
}

namespace {

// The meeting at the venue of a race or card command, or nothing after saying which venues
// and races today has.
const Meeting* findMeeting(Session& session, const CommandLine& line, const QString& venue, int race)
{
    const QString command = commandName(line.mode);
    const auto& meetings = session.form().meetings;
    QStringList venues;
    for (const Meeting& meeting : meetings) {
        if (meeting.venue != venue) {
            venues << u"%1 (races 1 to %2)"_s.arg(meeting.venue).arg(meeting.races);
            continue;
        }
        if (race <= meeting.races)
            return &meeting;
        printLine(stderr,
                  u"%1: %2 has races 1 to %3 today: no race %4"_s.arg(command, venue).arg(meeting.races).arg(race));
        return nullptr;
    }
    printLine(stderr, u"%1: no meeting at \"%2\" today (%3); the meeting list names %4"_s.arg(
                          command, venue, session.clock().now().date().toString(u"yyyy-MM-dd"_s),
                          venues.isEmpty() ? u"none"_s : venues.join(u", "_s)));
    return nullptr;
}

// The arguments of a race or card command that did not go through the parser's checks.
bool venueAndRaceRead(const CommandLine& line, int lastRace)
{
    const int race = readRaceNumber(line.positional.value(1));
    if (line.positional.size() == 2 && race >= 1 && race <= lastRace)
        return true;
    printLine(stderr, u"%1 needs a venue and a race number from 1 to %2 "_s.arg(commandName(line.mode)).arg(lastRace) +
                          helpPointer(line));
    return false;
}

int raceCommand(const CommandLine& line)
{
    if (!venueAndRaceRead(line, 99))
        return kExitUsage;
    const QString venue = line.positional[0];
    const int race = readRaceNumber(line.positional[1]);
    StderrNotifier notifier;
    Settings settings = line.settings;
    FolderClaims claims;
    if (const int code = claimFolders(settings, false, claims, notifier); code >= 0)
        return code;
    Session session(settings, notifier);
    if (const int code = startOrExplain(session, notifier); code >= 0)
        return code;
    if (!findMeeting(session, line, venue, race))
        return kExitUsage;
    const GridModel& schedule = session.form().grid(Grid::VSFlexGrid8);
    int row = 0;
    for (int r = 1; r < schedule.rows() && !row; ++r)
        if (schedule.textMatrix(r, ScheduleColumn::Venue) == venue &&
            schedule.textMatrix(r, ScheduleColumn::Race) == QString::number(race))
            row = r;
    if (!row) {
        printLine(stderr, u"race: no race %1 %2R in today's schedule (%3)"_s.arg(venue).arg(race).arg(
                              QDir::toNativeSeparators(session.folders().cardFolder())));
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
    if (!venueAndRaceRead(line, kRaceButtons))
        return kExitUsage;
    const QString venue = line.positional[0];
    const int race = readRaceNumber(line.positional[1]);
    StderrNotifier notifier;
    Settings settings = line.settings;
    FolderClaims claims;
    if (const int code = claimFolders(settings, false, claims, notifier); code >= 0)
        return code;
    Session session(settings, notifier);
    if (const int code = startOrExplain(session, notifier); code >= 0)
        return code;
    QObject::connect(&session.form(), &FormState::logged, [](const QString& text) { printLine(stderr, text); });
    const Meeting* meeting = findMeeting(session, line, venue, race);
    if (!meeting)
        return kExitUsage;
    if (const Outcome chosen = session.chooseMeeting(int(meeting - session.form().meetings.data())); !chosen.ok()) {
        printLine(stderr, chosen.error);
        return kExitUsage;
    }
    const CardCapture capture = session.Option2_Click(race - 1);
    if (capture.beyondRaceCount) {
        printLine(stderr, u"card: %1 has races 1 to %2 today: no race %3"_s.arg(venue).arg(meeting->races).arg(race));
        return kExitUsage;
    }
    if (!capture.ok())
        return kExitFailed; // the session logged why
    const CardWrite written =
        session.Command1_Click(line.replace ? ScheduleCardReplace::Write : ScheduleCardReplace::Refuse);
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
