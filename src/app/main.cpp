// Kazeyomi: the window by default, the headless mode and the commands on request.
#include <cstdio>
#include <memory>

#include <QApplication>
#include <QMessageBox>

#include "app/command_line.h"
#include "app/main_window.h"
#include "app/terminal.h"
#include "demo/demo_site.h"
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

int runDemo(CommandLine line, bool window)
{
    DemoSite demo(line.settings, line.speed);
    // Before the day's cards are written: a demo already polling this base folder keeps it.
    FolderClaims claims;
    if (window) {
        MessageBoxNotifier notifier;
        if (const int code = claimFolders(line.settings, true, claims, notifier); code >= 0)
            return code;
    } else {
        StderrNotifier notifier;
        if (const int code = claimFolders(line.settings, true, claims, notifier); code >= 0)
            return code;
    }
    if (const Outcome prepared = demo.prepare(line.settings); !prepared.ok()) {
        std::fputs(qPrintable(prepared.error + u'\n'), stderr);
        return kExitUsage;
    }
    std::fputs(
        qPrintable(u"Demo day: base folder %1, site %2, clock %3 running x%4\n"_s
                       .arg(line.settings.baseDir, line.settings.siteUrl, demo.clock()->now().toString(u"HH:mm:ss"_s))
                       .arg(line.speed)),
        stdout);
    if (window) {
        MessageBoxNotifier notifier;
        Session session(line.settings, notifier, demo.clock());
        return runWindow(session, true);
    }
    StderrNotifier notifier;
    Session session(line.settings, notifier, demo.clock());
    return pollHeadless(session, notifier);
}

bool wantsWindow(const CommandLine& line)
{
    return line.errors.isEmpty() &&
           (line.mode == CommandLine::Mode::Window || (line.mode == CommandLine::Mode::Demo && !line.headless));
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication::setApplicationName(u"kazeyomi"_s);
    // The raw bytes only choose the kind of application; the arguments are then read from it,
    // which has them as the system gave them (on Windows the wide command line), so that a
    // venue name in Japanese arrives whole in any locale.
    QStringList raw;
    for (int i = 0; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    const CommandLine line = parseCommandLine(arguments);
    if (line.mode == CommandLine::Mode::Help && line.helpTopic != CommandLine::Mode::Help)
        std::fputs(qPrintable(commandHelp(line.helpTopic) + u'\n'), stdout);
    if (line.mode == CommandLine::Mode::Help && line.errors.isEmpty())
        return kExitOk;
    const bool window =
        line.mode == CommandLine::Mode::Window || (line.mode == CommandLine::Mode::Demo && !line.headless);
    if (!line.errors.isEmpty()) {
        std::fputs(qPrintable(line.errors.join(u'\n') + u'\n' + helpPointer(line) + u'\n'), stderr);
        // Started from a desktop menu, nobody sees standard error: the window's user gets a box.
        if (window && !stderrIsTerminal()) {
            QApplication app(argc, argv);
            if (QGuiApplication::platformName() != u"offscreen" && QGuiApplication::platformName() != u"minimal")
                QMessageBox::critical(nullptr, u"Kazeyomi"_s, line.errors.join(u"\n\n"_s));
        }
        return kExitUsage;
    }
    if (window) {
        QApplication app(argc, argv);
        if (line.mode == CommandLine::Mode::Demo)
            return runDemo(line, true);
        MessageBoxNotifier notifier;
        Settings settings = line.settings;
        FolderClaims claims;
        if (const int code = claimFolders(settings, true, claims, notifier); code >= 0)
            return code;
        Session session(settings, notifier);
        return runWindow(session, false);
    }
    switch (line.mode) {
    case CommandLine::Mode::Race:
        return runRace(line);
    case CommandLine::Mode::Card:
        return runCard(line);
    case CommandLine::Mode::Demo:
        return runDemo(line, false);
    case CommandLine::Mode::Render:
        return runRender(line);
    case CommandLine::Mode::Export:
        return runExport(line);
    case CommandLine::Mode::Import:
        return runImport(line);
    default:
        return runHeadless(line);
    }
}
