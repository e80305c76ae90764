// The command line: which front end to run, and the headless runners.
#pragma once

#include <QString>
#include <QStringList>

#include "foundation/notifier.h"
#include "session/settings.h"

namespace kazeyomi {

class Session;

struct CommandLine {
    enum class Mode { Window, Headless, Help, Render, Race, Card, Demo, Export, Import };
    Mode mode = Mode::Window;
    QStringList positional; // arguments of the command
    QStringList errors;
    Settings settings;
    bool headless = false;
    double speed = 1.0;
    QString style; // render --style
    // export --race V N --format csv|jsonl
    QString exportVenue;
    int exportRace = 0;
    QString format = QStringLiteral("csv");
};

// Exit codes: 0 success, 1 a fetch or writer failed, 2 usage or start-up error.
inline constexpr int kExitOk = 0;
inline constexpr int kExitFailed = 1;
inline constexpr int kExitUsage = 2;

CommandLine parseCommandLine(const QStringList& arguments);
QString usageText();

// Messages go to standard error when there is no window.
class StderrNotifier final : public Notifier {
public:
    void tell(const QString& title, const QString& text) override;
    bool ask(const QString& title, const QString& text) override;
};

// Runs start-up; prints the problem and returns the exit code on failure, -1 when ready.
int startOrExplain(Session& session, Notifier& notifier);

void printSchedule(Session& session);

struct RaceOutcome;
QString describe(const RaceOutcome& outcome);

// Start-up, 開始, then polls until every row is stopped or the user interrupts.
int runHeadless(const CommandLine& line);
int pollHeadless(Session& session, Notifier& notifier);
// The end of the headless mode, every race stopped or interrupted: says why and saves the
// schedule to Grid8.dat as closing the window does; returns the exit code.
int endHeadless(Session& session, const QString& why);
int runRace(const CommandLine& line);
// Start-up, the venue's meeting chosen, its race card captured and written.
int runCard(const CommandLine& line);
int runRender(const CommandLine& line);
// The day's history database out as CSV or JSON lines on standard output.
int runExport(const CommandLine& line);
// A past day's odds files into its history database.
int runImport(const CommandLine& line);

} // namespace kazeyomi
