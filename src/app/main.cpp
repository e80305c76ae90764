// Kazeyomi: the window by default, the headless mode and the commands on request.
#include <cstdio>

#include <QApplication>
#include <QMessageBox>

#include "app/command_line.h"
#include "app/main_window.h"
#include "shell/session.h"

using namespace kazeyomi;
using namespace Qt::StringLiterals;

namespace {

class MessageBoxNotifier final : public Notifier {
public:
    void tell(const QString& title, const QString& text) override
    {
        QMessageBox::warning(nullptr, title, text);
    }
    bool ask(const QString& title, const QString& text) override
    {
        return QMessageBox::question(nullptr, title, text, QMessageBox::Ok | QMessageBox::Cancel,
                                     QMessageBox::Cancel) == QMessageBox::Ok;
    }
};

int runWindow(const CommandLine& line)
{
    MessageBoxNotifier notifier;
    Session session(line.settings, notifier);
    MainWindow window(session.form(), session);
    const StartupResult started = session.start();
    if (started.outcome == StartupResult::Outcome::MeetingListMissing) {
        QMessageBox::question(nullptr, started.title, started.message, QMessageBox::Ok);
        return kExitUsage;
    }
    if (!started.ok()) {
        QMessageBox::critical(nullptr, u"Kazeyomi"_s, started.message);
        return kExitUsage;
    }
    QObject::connect(&session, &Session::quitRequested, qApp, &QCoreApplication::exit);
    window.show();
    return QApplication::exec();
}

} // namespace

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
    if (line.mode == CommandLine::Mode::Window) {
        QApplication app(argc, argv);
        return runWindow(line);
    }
    QCoreApplication app(argc, argv);
    return runHeadless(line);
}
