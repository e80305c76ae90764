// The window program: the window by default, and every command as the command line runs it.
// The command line program starts this one for the window and for a demo with the window.
#include <memory>

#include <QApplication>
#include <QMessageBox>

#include "app/command_line.h"
#include "app/demo_command.h"
#include "app/main_window.h"
#include "app/terminal.h"
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
    MainWindow window(session.form(), session, &session.watch());
    const StartupResult started = session.start();
    if (started.outcome == StartupResult::Outcome::MeetingListMissing) {
        QMessageBox box(QMessageBox::Question, started.title, started.message, QMessageBox::Ok);
        box.setInformativeText(started.detail);
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
    // The raw bytes only choose the kind of application; the arguments are then read from it,
    // which has them as the system gave them, so that a Japanese venue name arrives whole.
    QStringList raw;
    for (int i = 0; i < argc; ++i)
        raw << QString::fromLocal8Bit(argv[i]);
    std::unique_ptr<QCoreApplication> app;
    if (wantsWindow(parseCommandLine(raw)))
        app = std::make_unique<QApplication>(argc, argv);
    else
        app = std::make_unique<QCoreApplication>(argc, argv);
    QCoreApplication::setApplicationName(u"kazeyomi"_s);
    const CommandLine line = parseCommandLine(QCoreApplication::arguments());
    const bool window = wantsWindow(line) && qobject_cast<QApplication*>(app.get()) != nullptr;
    if (const int code = explainHelpOrErrors(line); code >= 0) {
        // Started from a desktop menu, nobody sees standard error: the window's user gets a box.
        if (!line.errors.isEmpty() && window && !stderrIsTerminal() &&
            QGuiApplication::platformName() != u"offscreen" && QGuiApplication::platformName() != u"minimal")
            QMessageBox::critical(nullptr, u"Kazeyomi"_s, line.errors.join(u"\n\n"_s));
        return code;
    }
    if (window) {
        MessageBoxNotifier notifier;
        if (line.mode == CommandLine::Mode::Demo)
            return runDemo(line, notifier, [](Session& session) { return runWindow(session, true); });
        Settings settings = line.settings;
        FolderClaims claims;
        if (const int code = claimFolders(settings, true, claims, notifier); code >= 0)
            return code;
        Session session(settings, notifier);
        return runWindow(session, false);
    }
    return runCommand(line);
}
