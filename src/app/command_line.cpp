#include "app/command_line.h"

#include <algorithm>
#include <cstdio>
#include <utility>

#include <QCoreApplication>
#include <QDir>
#include <QFile>

#include "app/interrupt.h"
#include "app/terminal.h"
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

namespace {

using Mode = CommandLine::Mode;

struct CommandName {
    const char16_t* name;
    Mode mode;
};
constexpr CommandName kCommands[] = {
    {u"race", Mode::Race}, {u"card", Mode::Card}, {u"demo", Mode::Demo}, {u"render", Mode::Render}};

QString commandName(Mode mode)
{
    for (const CommandName& command : kCommands)
        if (command.mode == mode)
            return QString::fromUtf16(command.name);
    return {};
}

// "11", "11R" or "１１Ｒ": the race number; 0 when the text is none.
int readRaceNumber(const QString& text)
{
    QString digits = text.normalized(QString::NormalizationForm_KC).trimmed();
    if (digits.endsWith(u'R', Qt::CaseInsensitive))
        digits.chop(1);
    if (digits.isEmpty() || digits.size() > 2 ||
        !std::all_of(digits.begin(), digits.end(), [](QChar c) { return c >= u'0' && c <= u'9'; }))
        return 0;
    return digits.toInt();
}

// "<venue> <race-number>" of the race and card commands.
void readVenueAndRace(CommandLine& line, int lastRace)
{
    const QString name = commandName(line.mode);
    if (line.positional.size() < 2) {
        line.errors << u"%1 needs a venue and a race number: kazeyomi %1 <venue> <race-number>, e.g. kazeyomi %1 "
                       "大井 11"_s.arg(name);
        return;
    }
    for (qsizetype i = 2; i < line.positional.size(); ++i)
        line.errors << u"%1: unexpected argument \"%2\" after the race number"_s.arg(name, line.positional[i]);
    if (const int race = readRaceNumber(line.positional[1]); race < 1 || race > lastRace)
        line.errors << u"%1: race number \"%2\" is not a number from 1 to %3 (e.g. 11 or 11R)"_s
                           .arg(name, line.positional[1])
                           .arg(lastRace);
}

void checkArguments(CommandLine& line)
{
    switch (line.mode) {
    case Mode::Race:
        readVenueAndRace(line, 99);
        break;
    case Mode::Card:
        readVenueAndRace(line, kRaceButtons);
        break;
    case Mode::Render:
        if (line.positional.isEmpty())
            line.errors << u"render needs a saved page or an http(s) URL: kazeyomi render <file-or-URL>"_s;
        for (qsizetype i = 1; i < line.positional.size(); ++i)
            line.errors << u"render: unexpected argument \"%1\": it reads one page"_s.arg(line.positional[i]);
        if (!line.style.isEmpty() && line.style != u"modern" && line.style != u"legacy")
            line.errors << u"render: --style \"%1\" is neither modern nor legacy"_s.arg(line.style);
        break;
    case Mode::Demo:
        for (const QString& arg : line.positional)
            line.errors << u"demo: unexpected argument \"%1\": the demo takes only options"_s.arg(arg);
        break;
    default:
        break;
    }
    // The sites a mode fetches from must be set before anything starts, not found missing at every race.
    const auto needs = [&](SiteSetting which, const QString& url, const QString& neededBy) {
        if (url.isEmpty())
            line.errors << missingSiteError(which, neededBy);
    };
    if (line.mode == Mode::Window || line.mode == Mode::Headless)
        needs(SiteSetting::Site, line.settings.siteUrl, u"polling"_s);
    else if (line.mode == Mode::Race)
        needs(SiteSetting::Site, line.settings.siteUrl, u"kazeyomi race"_s);
    else if (line.mode == Mode::Card)
        needs(SiteSetting::Portal, line.settings.portalUrl, u"kazeyomi card"_s);
}

} // namespace

CommandLine parseCommandLine(const QStringList& arguments)
{
    CommandLine line;
    QStringList rest;
    QStringList ownOptions; // options that belong to one command
    bool help = false;
    for (qsizetype i = 1; i < arguments.size(); ++i) {
        const QString& arg = arguments[i];
        if (arg == u"--help" || arg == u"-h")
            help = true;
        else if (arg == u"--headless")
            line.headless = true;
        else if (arg == u"--speed" || arg.startsWith(u"--speed=")) {
            ownOptions << u"--speed"_s;
            const QString value = arg.contains(u'=') ? arg.section(u'=', 1) : arguments.value(++i);
            bool ok = false;
            line.speed = value.toDouble(&ok);
            if (!ok || line.speed <= 0 || line.speed > 10000)
                line.errors << u"--speed \"%1\" is not a number greater than 0 and at most 10000"_s.arg(value);
        } else if (arg == u"--style" || arg.startsWith(u"--style=")) {
            ownOptions << u"--style"_s;
            line.style = arg.contains(u'=') ? arg.section(u'=', 1) : arguments.value(++i);
        } else if (arg == u"--utf8" || arg == u"--cp932") {
            ownOptions << arg;
            const auto output = arg == u"--utf8" ? CommandLine::Output::Utf8 : CommandLine::Output::Cp932;
            if (line.output != CommandLine::Output::Auto && line.output != output)
                line.errors << u"render: --utf8 and --cp932 ask for two encodings; give one"_s;
            line.output = output;
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
    if (positional.isEmpty()) {
        line.mode = line.headless ? Mode::Headless : Mode::Window;
    } else {
        const QString command = positional.takeFirst();
        line.positional = positional;
        const auto* known = std::find_if(std::begin(kCommands), std::end(kCommands),
                                         [&](const CommandName& c) { return command == QStringView(c.name); });
        if (known == std::end(kCommands)) {
            line.errors << u"unknown command \"%1\": the commands are race, card, demo and render (none opens the "
                           "window)"_s.arg(command);
            line.mode = Mode::Help;
            line.helpTopic = Mode::Help; // no help to show, only the error
            return line;
        }
        line.mode = known->mode;
    }
    if (help) {
        line.helpTopic = line.mode;
        line.mode = Mode::Help;
        return line;
    }
    const struct {
        const char16_t* option;
        Mode mode;
    } owners[] = {
        {u"--speed", Mode::Demo}, {u"--style", Mode::Render}, {u"--utf8", Mode::Render}, {u"--cp932", Mode::Render}};
    for (const auto& owner : owners)
        if (ownOptions.contains(QString::fromUtf16(owner.option)) && line.mode != owner.mode)
            line.errors << u"%1 is an option of kazeyomi %2 only"_s.arg(QString::fromUtf16(owner.option),
                                                                        commandName(owner.mode));
    if (line.headless && line.mode != Mode::Headless && line.mode != Mode::Demo)
        line.errors << u"--headless is an option of kazeyomi and kazeyomi demo only: %1 never opens a window"_s.arg(
            commandName(line.mode));
    checkArguments(line);
    return line;
}

QString helpPointer(const CommandLine& line)
{
    const Mode topic = line.mode == Mode::Help ? line.helpTopic : line.mode;
    if (topic == Mode::Headless)
        return u"(kazeyomi --headless --help tells more)"_s;
    const QString name = commandName(topic);
    return name.isEmpty() ? u"(kazeyomi --help lists the commands and options)"_s
                          : u"(kazeyomi %1 --help tells more)"_s.arg(name);
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
    // A person reads a terminal; a file or a pipe gets the bytes the scrapers read.
    const bool utf8 = line.output == CommandLine::Output::Utf8 ||
                      (line.output == CommandLine::Output::Auto && stdoutIsUtf8Terminal());
    const QByteArray bytes = utf8 ? text.toUtf8() : toCp932(text);
    std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stdout);
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
    Session session(line.settings, notifier);
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
    Session session(line.settings, notifier);
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
