// Windows has no exec: the window program runs as a child, with this console, and its exit
// code becomes this program's.
#include "app/window_launch.h"

#include <cstdio>

#include <QCoreApplication>
#include <QDir>
#include <QProcess>

#include "app/command_line.h"

namespace kazeyomi {

int runWindowProgram(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QStringList arguments = QCoreApplication::arguments();
    arguments.removeFirst();
    const QString window =
        QDir(QCoreApplication::applicationDirPath()).filePath(QStringLiteral(KAZEYOMI_WINDOW_PROGRAM));
    // -2: it could not be started; -1: it crashed.
    const int code = QProcess::execute(window, arguments);
    if (code >= 0)
        return code;
    std::fprintf(stderr, "kazeyomi: the window program %s %s\n", qPrintable(QDir::toNativeSeparators(window)),
                 code == -2 ? "cannot be started" : "ended abnormally");
    return code == -2 ? kExitUsage : kExitFailed;
}

} // namespace kazeyomi
