// The window program: the window by default, and every command as the command line runs it.
// The command line program starts this one for the window and for a demo with the window.
#include <cstdio>

#include <QApplication>
#include <QMessageBox>

#include "app/command_line.h"
#include "app/demo_command.h"
#include "app/main_window.h"
#include "session/folder_claims.h"
#include "session/session.h"

using namespace kazeyomi;
using namespace Qt::StringLiterals;

namespace {

class MessageBoxNotifier final : public Notifier {
public:
    void tell(const QString& title, const QString& text) override { QMessageBox::warning(nullptr, title, text); }
    bool ask(const QString& title, const QString& text) override
    {
        return QMessageBox::question(nullptr, title, text, QMessageBox::Ok | QMessageBox::Cancel,
                                     QMessageBox::Cancel) == QMessageBox::Ok;
    }
};

int runWindow(Session& session, bool pressStart)
{
    MainWindow window(session.form(), session);
    const StartupResult started = session.start();
    if (started.outcome == StartupResult::Outcome::MeetingListMissing) {
        QMessageBox box(QMessageBox::Question, started.title, started.message, QMessageBox::Ok);
        box.exec();
        return kExitUsage;
    }
    if (!started.ok()) {
        QMessageBox::critical(nullptr, u"Kazeyomi"_s, started.message);
        return kExitUsage;
    }
    QObject::connect(&session, &Session::quitRequested, qApp, &QCoreApplication::exit);
    window.show();
    if (pressStart)
        session.click(u"Command2"_s);
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
    if (line.mode == CommandLine::Mode::Window || (line.mode == CommandLine::Mode::Demo && !line.headless)) {
        QApplication app(argc, argv);
        if (line.mode == CommandLine::Mode::Demo) {
            MessageBoxNotifier notifier;
            return runDemo(line, notifier, [](Session& session) { return runWindow(session, true); });
        }
        MessageBoxNotifier notifier;
        Settings settings = line.settings;
        FolderClaims claims;
        if (const int code = claimFolders(settings, true, claims, notifier); code >= 0)
            return code;
        Session session(settings, notifier);
        return runWindow(session, false);
    }
    QCoreApplication app(argc, argv);
    switch (line.mode) {
    case CommandLine::Mode::Race:
        return runRace(line);
    case CommandLine::Mode::Card:
        return runCard(line);
    case CommandLine::Mode::Demo: {
        StderrNotifier notifier;
        return runDemo(line, notifier, [&](Session& session) { return pollHeadless(session, notifier); });
    }
    case CommandLine::Mode::Render:
        return runRender(line);
    default:
        return runHeadless(line);
    }
}
