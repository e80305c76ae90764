// The command line: which front end to run, and the headless runners.
#pragma once

#include <QString>
#include <QStringList>

#include "foundation/notifier.h"
#include "session/settings.h"

namespace kazeyomi {

class FolderClaims;
class Session;

struct CommandLine {
    enum class Mode { Window, Headless, Help, Render, Race, Card, Demo, Export, Import };
    enum class Output { Auto, Utf8, Cp932 }; // render: Auto is UTF-8 on a terminal, CP932 elsewhere
    Mode mode = Mode::Window;
    Mode helpTopic = Mode::Window; // with Mode::Help: the command whose help is asked for; Help: none
    QStringList positional;        // arguments of the command
    QStringList errors;            // each names the bad argument and what is accepted
    Settings settings;
    bool headless = false;
    double speed = 1.0;
    QString style; // render --style
    Output output = Output::Auto;
    bool replace = false; // card --replace: a race card file the schedule is read from may be replaced
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
// "race", "card", "demo", "render"; empty for the window and the headless mode.
QString commandName(CommandLine::Mode mode);
// "11", "11R" or "１１Ｒ": the race number; 0 when the text is none.
int readRaceNumber(const QString& text);
// --help of one command; the general usage for the window.
QString commandHelp(CommandLine::Mode mode);
// The line after the errors that points to the right --help.
QString helpPointer(const CommandLine& line);
// The window, or a demo with the window, is asked for.
bool wantsWindow(const CommandLine& line);
// Prints the help asked for, or what is wrong with the arguments; the exit code then, else -1.
int explainHelpOrErrors(const CommandLine& line);
// Runs a command, or the headless mode, or a demo without a window: all but the window.
int runCommand(const CommandLine& line);

// Messages go to standard error when there is no window.
class StderrNotifier final : public Notifier {
public:
    void tell(const QString& title, const QString& text) override;
    bool ask(const QString& title, const QString& text) override;
};

// Takes the folders this run uses alone for as long as it lives: the application folder (a
// spare one inside it when another run holds it, said on standard error) and, for a run that
// polls, the base folder. Tells the refusal and returns its exit code, or -1 when held.
int claimFolders(Settings& settings, bool polling, FolderClaims& claims, Notifier& notifier);

// Runs start-up; prints the problem and returns the exit code on failure, -1 when ready.
int startOrExplain(Session& session, Notifier& notifier);

void printSchedule(Session& session);

struct RaceOutcome;
QString describe(const RaceOutcome& outcome);

// Start-up, 開始, then polls until every row is stopped or the user interrupts.
int runHeadless(const CommandLine& line);
int pollHeadless(Session& session, Notifier& notifier);
// The end of the headless mode, every race stopped or interrupted: says why and saves the
// schedule to Grid8.dat as closing the window does; returns the exit code, a failure when the
// schedule cannot be saved or `failedFetches` of the run's race fetches failed somewhere.
int endHeadless(Session& session, const QString& why, int failedFetches = 0);
int runRace(const CommandLine& line);
// Start-up, the venue's meeting chosen, its race card captured and written.
int runCard(const CommandLine& line);
int runRender(const CommandLine& line);
// The day's history database out as CSV or JSON lines on standard output.
int runExport(const CommandLine& line);
// A past day's odds files into its history database.
int runImport(const CommandLine& line);

} // namespace kazeyomi
