// Kazeyomi's command line: the headless mode and the commands, in a program of the core and Qt
// Core and Network alone, so that a command starts at once. The window, and a demo with the
// window, are the window program's, which is run in this one's place.
#include <cstdio>

#include <QCoreApplication>

#include "app/command_line.h"
#include "app/demo_command.h"
#include "app/window_launch.h"
#include "session/session.h"

using namespace kazeyomi;
using namespace Qt::StringLiterals;

int main(int argc, char** argv)
{
    QCoreApplication::setApplicationName(u"kazeyomi"_s);
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    const CommandLine line = parseCommandLine(arguments);
    if (line.mode == CommandLine::Mode::Help) {
        std::fputs(qPrintable(usageText() + u'\n'), stdout);
        return kExitOk;
    }
    if (!line.errors.isEmpty()) {
        std::fputs(qPrintable(line.errors.join(u'\n') + u"\n(kazeyomi --help lists the options)\n"_s), stderr);
        return kExitUsage;
    }
    const bool window =
        line.mode == CommandLine::Mode::Window || (line.mode == CommandLine::Mode::Demo && !line.headless);
    if (!window) {
        QCoreApplication app(argc, argv);
        switch (line.mode) {
        case CommandLine::Mode::Headless:
            return runHeadless(line);
        case CommandLine::Mode::Race:
            return runRace(line);
        case CommandLine::Mode::Card:
            return runCard(line);
        case CommandLine::Mode::Render:
            return runRender(line);
        case CommandLine::Mode::Demo: {
            StderrNotifier notifier;
            return runDemo(line, notifier, [&](Session& session) { return pollHeadless(session, notifier); });
        }
        default:
            break; // the window program runs every command
        }
    }
    return runWindowProgram(argc, argv);
}
