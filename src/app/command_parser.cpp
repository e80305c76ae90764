// Reading the command line: the mode, the command's arguments, and what is wrong with them.
#include "app/command_line.h"

#include <algorithm>
#include <iterator>

#include "racecards/race_card_capture.h"

namespace kazeyomi {

using namespace Qt::StringLiterals;

namespace {

using Mode = CommandLine::Mode;

struct CommandName {
    const char16_t* name;
    Mode mode;
};
constexpr CommandName kCommands[] = {{u"race", Mode::Race},     {u"card", Mode::Card},     {u"demo", Mode::Demo},
                                     {u"render", Mode::Render}, {u"export", Mode::Export}, {u"import", Mode::Import}};

} // namespace

QString commandName(Mode mode)
{
    for (const CommandName& command : kCommands)
        if (command.mode == mode)
            return QString::fromUtf16(command.name);
    return {};
}

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

namespace {

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
    case Mode::Export:
        if (line.positional.size() != 1)
            line.errors << u"export needs one day: kazeyomi export <yymmdd>, e.g. kazeyomi export 251205"_s;
        break;
    case Mode::Import:
        if (line.positional.size() != 1)
            line.errors << u"import needs one odds folder: kazeyomi import <odds folder>, e.g. kazeyomi import "
                           "~/uma/dat2/251205"_s;
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
        } else if (arg == u"--race") {
            ownOptions << arg;
            line.exportVenue = arguments.value(++i);
            line.exportRace = readRaceNumber(arguments.value(++i));
            if (line.exportVenue.isEmpty() || line.exportRace <= 0)
                line.errors << u"export: --race needs a venue and a race number, e.g. --race 大井 11"_s;
        } else if (arg == u"--format" || arg.startsWith(u"--format=")) {
            ownOptions << u"--format"_s;
            line.format = arg.contains(u'=') ? arg.section(u'=', 1) : arguments.value(++i);
            if (line.format != u"csv" && line.format != u"jsonl")
                line.errors << u"export: --format \"%1\" is neither csv nor jsonl"_s.arg(line.format);
        } else if (arg == u"--replace") {
            ownOptions << arg;
            line.replace = true;
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
            line.errors << u"unknown command \"%1\": the commands are race, card, demo, render, export and import "
                           "(none opens the window)"_s.arg(command);
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
    } owners[] = {{u"--speed", Mode::Demo},    {u"--replace", Mode::Card}, {u"--race", Mode::Export},
                  {u"--format", Mode::Export}, {u"--style", Mode::Render}, {u"--utf8", Mode::Render},
                  {u"--cp932", Mode::Render}};
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

} // namespace kazeyomi
