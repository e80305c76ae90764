#include "app/command_line.h"

#include <cstdio>

#include <QCoreApplication>

#include "schedule/schedule_grid.h"
#include "shell/grid_layouts.h"
#include "shell/session.h"

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
            line.headlessDemo = true;
        else if (arg == u"--speed" || arg.startsWith(u"--speed=")) {
            const QString value = arg.contains(u'=') ? arg.section(u'=', 1) : arguments.value(++i);
            bool ok = false;
            line.speed = value.toDouble(&ok);
            if (!ok || line.speed <= 0 || line.speed > 10000)
                line.errors << u"--speed needs a number greater than 0"_s;
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
        line.mode = line.headlessDemo ? CommandLine::Mode::Headless : CommandLine::Mode::Window;
        return line;
    }
    const QString command = positional.takeFirst();
    line.positional = positional;
    if (command == u"render")
        line.mode = CommandLine::Mode::Render;
    else if (command == u"race")
        line.mode = CommandLine::Mode::Race;
    else if (command == u"demo")
        line.mode = CommandLine::Mode::Demo;
    else
        line.errors << u"unknown command \"%1\""_s.arg(command);
    return line;
}

QString usageText()
{
    return uR"(Usage: kazeyomi [options]              the window
       kazeyomi --headless [options]   the same start-up without a window; prints the schedule
       kazeyomi --help

)"_s + settingsHelp();
}

void StderrNotifier::tell(const QString& title, const QString& text) { printLine(stderr, title + u": "_s + text); }

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
    const GridModel& grid = session.form().grid(kScheduleGrid);
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

int runHeadless(const CommandLine& line)
{
    StderrNotifier notifier;
    Session session(line.settings, notifier);
    if (const int code = startOrExplain(session, notifier); code >= 0)
        return code;
    printSchedule(session);
    return kExitOk;
}

} // namespace kazeyomi
