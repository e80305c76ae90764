// The headless mode run to its end on a fixed clock: a race still unfinished at midnight is
// stopped, the run ends, and the schedule is kept in Grid8.dat as closing the window keeps it.
// Copies of the program side by side: one polls a base folder, none shares pages. The command
// line program without the window's libraries.
#include "app/command_line.h"

#include <map>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include "demo/site_server.h"
#include "foundation/grid_layouts.h"
#include "foundation/text_codec.h"
#include "schedule/schedule_grid.h"
#include "session/session.h"
#include "support/card_folder.h"
#include "support/fake_clock.h"
#include "support/files.h"
#include "support/race_card_sample.h"

using namespace kazeyomi;
using namespace Qt::StringLiterals;

TEST(Headless, ALateRaceEndsTheRunAndTheScheduleIsSaved)
{
    QTemporaryDir base;
    const QString cards = base.filePath(u"uma/nsdat2/251205"_s);
    test::writeCardFolder(cards, {{u"oi"_s, u"大井"_s, 1, u"23:58"_s, u"OI"_s}});
    Settings settings;
    settings.baseDir = base.filePath(u"uma"_s);
    settings.appDir = base.filePath(u"app"_s);
    settings.siteUrl = u"http://127.0.0.1:9"_s; // nothing is fetched: the race is past its last time
    auto clock = std::make_shared<test::FakeClock>(QDateTime(QDate(2025, 12, 5), QTime(23, 59, 30)));
    StderrNotifier notifier;
    Session session(settings, notifier, clock);

    testing::internal::CaptureStderr();
    const int code = pollHeadless(session, notifier);
    const QString out = QString::fromLocal8Bit(testing::internal::GetCapturedStderr());

    EXPECT_EQ(code, kExitOk);
    EXPECT_TRUE(out.contains(u"23:59:30 INFO  every race is stopped"_s)) << out.toStdString();
    EXPECT_TRUE(out.contains(u"INFO  summary: 1 races, 0 fetches, 0 odds lines written, 0 failures"_s))
        << out.toStdString();
    const QString saved = QDir(cards).filePath(u"Grid8.dat"_s);
    EXPECT_TRUE(out.contains(u"saved the schedule to "_s + QDir::toNativeSeparators(saved))) << out.toStdString();
    GridModel copy(u"VSFlexGrid8"_s, 2, kScheduleColumns); // a snapshot loads only into a grid of its size
    ASSERT_EQ(copy.loadGrid(saved).error, QString());
    ASSERT_EQ(copy.rows(), 2);
    EXPECT_EQ(copy.textMatrix(1, ScheduleColumn::State), FetchState::kComplete);
    EXPECT_EQ(copy.textMatrix(1, ScheduleColumn::Countdown), ScheduleValue::kStopped);

    // A run some of whose race fetches failed still keeps the schedule, and fails.
    testing::internal::CaptureStderr();
    EXPECT_EQ(endHeadless(session, u"every race is stopped"_s, 2), kExitFailed);
    EXPECT_TRUE(QString::fromLocal8Bit(testing::internal::GetCapturedStderr()).contains(u"saved the schedule"_s));
    // A schedule that cannot be saved fails the run.
    ASSERT_TRUE(QDir(cards).removeRecursively());
    testing::internal::CaptureStderr();
    EXPECT_EQ(endHeadless(session, u"interrupted: stopping"_s), kExitFailed);
    EXPECT_FALSE(QString::fromLocal8Bit(testing::internal::GetCapturedStderr()).contains(u"saved the schedule"_s));
}

TEST(CardCommand, WritesTheCardOfTheRaceAndReplacesAScheduleFileOnlyWhenAsked)
{
    const struct {
        const char* name;
        QString prefix; // of the meeting's race card files
        bool replace;
        int code;
    } rows[] = {
        {"a file of its own", u"oi"_s, false, kExitOk},
        {"the schedule's file, kept", u"大井"_s, false, kExitFailed},
        {"the schedule's file, --replace", u"大井"_s, true, kExitOk},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.name);
        QTemporaryDir base;
        const QString cards = base.filePath(u"uma/nsdat2/251205"_s);
        test::writeCardFolder(cards, {{r.prefix, u"大井"_s, 6, u"10:30"_s, u"OI"_s}});
        const QString path = QDir(cards).filePath(u"大井05.txt"_s);
        const QByteArray before = test::readBytes(path);
        SiteServer portal;
        ASSERT_TRUE(portal.listen());
        SiteResponse page;
        page.body = raceCardPage(test::twelveRunnerCard());
        page.contentType = kRaceCardContentType;
        portal.setPage(u"/keibaWeb/PageFlows/DebaTable/DebaTableController.jpf?k_babaCode=20&k_raceNo=5&k_raceDate="
                       "2025%2F12%2F05"_s,
                       page);
        CommandLine line;
        line.mode = CommandLine::Mode::Card;
        line.positional = {u"大井"_s, u"5"_s};
        line.replace = r.replace;
        line.settings.baseDir = base.filePath(u"uma"_s);
        line.settings.appDir = base.filePath(u"app"_s);
        line.settings.portalUrl = portal.baseUrl();
        line.settings.now = QDateTime(QDate(2025, 12, 5), QTime(9, 0));

        testing::internal::CaptureStdout();
        const int code = runCard(line);
        const QString out = QString::fromLocal8Bit(testing::internal::GetCapturedStdout());

        EXPECT_EQ(code, r.code) << out.toStdString();
        EXPECT_EQ(test::readBytes(path), r.code == kExitOk ? toCp932(test::twelveRunnerCardFile()) : before);
    }
}

namespace {

// A copy of the program on the test's day; stdout and stderr together.
struct Copy {
    std::unique_ptr<QProcess> process = std::make_unique<QProcess>();
    QString output;

    Copy(const QStringList& args, const QTemporaryDir& dir)
    {
        process->setProcessChannelMode(QProcess::MergedChannels);
        process->start(QString::fromUtf8(KAZEYOMI_PROGRAM),
                       args + QStringList{u"--base"_s, dir.filePath(u"uma"_s), u"--app-dir"_s, dir.filePath(u"app"_s),
                                          u"--site"_s, u"http://127.0.0.1:9"_s, u"--now"_s, u"2025-12-05T10:00:00"_s});
    }
    // Reads until `text` has been written or the copy has ended (a guard, not a measure).
    bool says(const QString& text)
    {
        while (!output.contains(text) && process->waitForReadyRead(20'000))
            output += QString::fromLocal8Bit(process->readAll());
        output += QString::fromLocal8Bit(process->readAll());
        return output.contains(text);
    }
    int exitCode()
    {
        process->waitForFinished(20'000);
        output += QString::fromLocal8Bit(process->readAll());
        return process->exitCode();
    }
};

} // namespace

TEST(Copies, ASecondPollerIsRefusedACommandKeepsItsOwnPagesAndAKilledPollerHoldsNothing)
{
    QTemporaryDir dir;
    test::writeCardFolder(dir.filePath(u"uma/nsdat2/251205"_s), {{u"oi"_s, u"大井"_s, 1, u"15:00"_s, u"OI"_s}});
    const QString app = QDir::toNativeSeparators(dir.filePath(u"app"_s));

    Copy first({u"--headless"_s}, dir);
    ASSERT_TRUE(first.says(u"開始: polling 1 races"_s)) << first.output.toStdString();
    const QString holder = u"process %1 (kazeyomi on "_s.arg(first.process->processId());

    Copy second({u"--headless"_s}, dir);
    EXPECT_EQ(second.exitCode(), kExitUsage);
    EXPECT_TRUE(
        second.output.contains(QDir::toNativeSeparators(dir.filePath(u"uma"_s)) + u" is already polled by "_s + holder))
        << second.output.toStdString();
    EXPECT_FALSE(second.output.contains(u"開始"_s));

    // A race beside the poller reads and writes its pages in a folder of its own.
    Copy race({u"race"_s, u"大井"_s, u"1"_s}, dir);
    race.exitCode();
    EXPECT_TRUE(race.output.contains(u"the application folder %1 is in use by %2"_s.arg(app, holder)))
        << race.output.toStdString();
    EXPECT_TRUE(
        race.output.contains(u"keeps its pages in "_s + QDir::toNativeSeparators(dir.filePath(u"app/kazeyomi-2"_s))))
        << race.output.toStdString();

    // Killed, the poller leaves its lock files behind; the next copy takes them over.
    first.process->kill();
    first.process->waitForFinished(20'000);
    Copy third({u"--headless"_s}, dir);
    EXPECT_TRUE(third.says(u"開始: polling 1 races"_s)) << third.output.toStdString();
    EXPECT_FALSE(third.output.contains(u"in use by"_s)) << third.output.toStdString();
    third.process->kill();
    third.process->waitForFinished(20'000);
}

// What a user sees from the program itself: each mistake is named with what is accepted.
TEST(CommandWords, EachMistakeNamesTheArgumentAndWhatIsAccepted)
{
    QTemporaryDir home;
    const QString base = home.filePath(u"uma"_s);
    test::writeCardFolder(QDir(base).filePath(u"nsdat2/251205"_s),
                          {{u"oi"_s, u"大井"_s, 2, u"10:30"_s, u"OI"_s}, {u"kw"_s, u"川崎"_s, 1, u"11:00"_s, u"KW"_s}});
    const QString page = home.filePath(u"page.html"_s);
    test::writeBytes(page, "<html><body><p>\x91\xe5\x88\xe4</p></body></html>");
    const std::map<QString, QString> standIns = {
        {u"$site"_s, u"--site=http://127.0.0.1:9"_s}, // nothing listens: a fetch fails at once
        {u"$portal"_s, u"--portal=http://127.0.0.1:9"_s},
        {u"$page"_s, page},
        {u"$typo"_s, QDir::toNativeSeparators(home.filePath(u"umaa"_s))},
    };
    const auto standIn = [&](QString text) {
        for (const auto& [name, value] : standIns)
            text.replace(name, value);
        return text;
    };
    const std::map<QString, int> codes = {{u"usage"_s, kExitUsage}, {u"failed"_s, kExitFailed}, {u"ok"_s, kExitOk}};
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    for (const QString& name : env.keys())
        if (name.startsWith(u"KAZEYOMI_"_s) || name.startsWith(u"XDG_"_s))
            env.remove(name);
    env.insert(u"HOME"_s, home.path()); // no kazeyomi.ini of the user's
    env.insert(u"LC_ALL"_s, u"C.UTF-8"_s);
    for (const QStringList& r : test::dataRows(u"command_words.tsv"_s)) {
        SCOPED_TRACE(r[0].toStdString());
        QStringList args;
        for (const QString& arg : r[2].split(u' '))
            args << standIn(arg);
        const QByteArray bytes = r[4].startsWith(u"cp932:"_s) ? toCp932(r[4].mid(6)) : r[4].toUtf8();
        QProcess program;
        program.setProcessEnvironment(env);
        // The row's own options come last and win.
        program.start(QString::fromUtf8(KAZEYOMI_PROGRAM), QStringList{u"--now=2025-12-05T09:00"_s, u"--base="_s + base,
                                                                       u"--app-dir="_s + home.filePath(u"app"_s)} +
                                                               args);
        ASSERT_TRUE(program.waitForFinished(-1));
        const QByteArray out = program.readAllStandardOutput();
        const QString said = QString::fromUtf8(out + program.readAllStandardError());
        EXPECT_EQ(program.exitCode(), codes.at(r[1])) << said.toStdString();
        EXPECT_TRUE(said.contains(standIn(r[3]))) << said.toStdString();
        EXPECT_TRUE(out.contains(bytes)) << out.toStdString();
        EXPECT_FALSE(said.contains(u"Option2"_s)) << said.toStdString();
    }
}

// The command line program loads none of the window's libraries, so that a command starts at
// once (its commands run in CommandWords); for the window it runs the window program beside it.
TEST(Programs, TheCommandLineLinksNoWindowLibraryAndHandsTheWindowToTheWindowProgram)
{
#ifndef Q_OS_LINUX
    GTEST_SKIP() << "the libraries are listed by ldd";
#endif
    const QString program = QString::fromUtf8(KAZEYOMI_PROGRAM);
    const QString window = QFileInfo(program).dir().filePath(u"kazeyomi-window"_s);
    const auto run = [](const QString& path, const QStringList& args, const QString& platform = {}) {
        QProcess process;
        process.setProcessChannelMode(QProcess::MergedChannels);
        if (!platform.isEmpty()) {
            QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
            environment.insert(u"QT_QPA_PLATFORM"_s, platform);
            process.setProcessEnvironment(environment);
        }
        process.start(path, args);
        process.waitForFinished(20'000);
        return std::pair{process.exitCode(), QString::fromLocal8Bit(process.readAll())};
    };
    const QString lean = run(u"ldd"_s, {program}).second;
    ASSERT_TRUE(lean.contains(u"libQt6Network"_s)) << lean.toStdString();
    ASSERT_TRUE(run(u"ldd"_s, {window}).second.contains(u"libQt6Widgets"_s));
    for (const QString& library : {u"libQt6Widgets"_s, u"libQt6Gui"_s, u"libQt6OpenGL"_s, u"libGL"_s, u"libEGL"_s,
                                   u"libX11"_s, u"libxcb"_s, u"libxkbcommon"_s})
        EXPECT_FALSE(lean.contains(library)) << library.toStdString();

    QTemporaryDir dir;
    // With no command the window program runs: the one that looks for a display platform.
    const QStringList folders = {u"--base"_s, dir.filePath(u"uma"_s), u"--app-dir"_s, dir.filePath(u"app"_s)};
    const QString windowRun = run(program, folders, u"kazeyomi-no-such-platform"_s).second;
    EXPECT_TRUE(windowRun.contains(u"kazeyomi-no-such-platform"_s)) << windowRun.toStdString();

    // A page that does not get out whole is a failure, not a success.
    const QString page = dir.filePath(u"page.html"_s);
    test::writeBytes(page, "<html><body><p>x</p></body></html>");
    QProcess full;
    full.setStandardOutputFile(u"/dev/full"_s);
    full.start(program, {u"render"_s, page});
    ASSERT_TRUE(full.waitForFinished(20'000));
    EXPECT_EQ(full.exitCode(), 1);
}
