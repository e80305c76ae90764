// Kazeyomi's command line: the headless mode and the commands, in a program of the core and Qt
// Core and Network alone, so that a command starts at once. The window, and a demo with the
// window, are the window program's, which is run in this one's place.
#include <QCoreApplication>

#include "app/command_line.h"
#include "app/terminal.h"
#include "app/window_launch.h"

using namespace kazeyomi;
using namespace Qt::StringLiterals;

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(u"kazeyomi"_s);
    // As the system gave them (on Windows the wide command line): a venue name in Japanese
    // arrives whole in any locale.
    const CommandLine line = parseCommandLine(QCoreApplication::arguments());
    // Started from a desktop menu nobody sees standard error: the window program tells the
    // window's user what is wrong in a box.
    if (wantsWindow(line) && (line.errors.isEmpty() || !stderrIsTerminal()))
        return runWindowProgram(argc, argv);
    if (const int code = explainHelpOrErrors(line); code >= 0)
        return code;
    return runCommand(line);
}
