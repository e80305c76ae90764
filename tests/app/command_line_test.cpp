// The headless mode run to its end on a fixed clock: a race still unfinished at midnight is
// stopped, the run ends, and the schedule is kept in Grid8.dat as closing the window keeps it.
#include "app/command_line.h"

#include <QDir>
#include <QFile>
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

    testing::internal::CaptureStdout();
    const int code = pollHeadless(session, notifier);
    const QString out = QString::fromLocal8Bit(testing::internal::GetCapturedStdout());

    EXPECT_EQ(code, kExitOk);
    EXPECT_TRUE(out.contains(u"every race is stopped"_s)) << out.toStdString();
    const QString saved = QDir(cards).filePath(u"Grid8.dat"_s);
    EXPECT_TRUE(out.contains(u"saved the schedule to "_s + QDir::toNativeSeparators(saved))) << out.toStdString();
    GridModel copy(u"VSFlexGrid8"_s, 2, kScheduleColumns); // a snapshot loads only into a grid of its size
    ASSERT_EQ(copy.loadGrid(saved).error, QString());
    ASSERT_EQ(copy.rows(), 2);
    EXPECT_EQ(copy.textMatrix(1, ScheduleColumn::State), FetchState::kComplete);
    EXPECT_EQ(copy.textMatrix(1, ScheduleColumn::Countdown), ScheduleValue::kStopped);
}

TEST(Headless, TheEndReportsAScheduleThatCannotBeSaved)
{
    QTemporaryDir base;
    Settings settings;
    settings.baseDir = base.filePath(u"uma"_s); // no card folder: nothing can be saved there
    settings.appDir = base.filePath(u"app"_s);
    auto clock = std::make_shared<test::FakeClock>(QDateTime(QDate(2025, 12, 5), QTime(12, 0)));
    StderrNotifier notifier;
    Session session(settings, notifier, clock);
    testing::internal::CaptureStdout();
    const int code = endHeadless(session, u"interrupted: stopping"_s);
    const QString out = QString::fromLocal8Bit(testing::internal::GetCapturedStdout());
    EXPECT_EQ(code, kExitFailed);
    EXPECT_TRUE(out.contains(u"interrupted: stopping"_s));
    EXPECT_FALSE(out.contains(u"saved the schedule"_s));
}

TEST(CardCommand, WritesTheCardOfTheRaceFromThePortal)
{
    QTemporaryDir base;
    const QString cards = base.filePath(u"uma/nsdat2/251205"_s);
    test::writeCardFolder(cards, {{u"oi"_s, u"大井"_s, 6, u"10:30"_s, u"OI"_s}});
    SiteServer portal;
    ASSERT_TRUE(portal.listen());
    SiteResponse page;
    page.body = raceCardPage(test::twelveRunnerCard());
    page.contentType = kRaceCardContentType;
    portal.setPage(
        u"/keibaWeb/PageFlows/DebaTable/DebaTableController.jpf?k_babaCode=20&k_raceNo=5&k_raceDate=2025%2F12%2F05"_s,
        page);
    CommandLine line;
    line.mode = CommandLine::Mode::Card;
    line.positional = {u"大井"_s, u"5"_s};
    line.settings.baseDir = base.filePath(u"uma"_s);
    line.settings.appDir = base.filePath(u"app"_s);
    line.settings.portalUrl = portal.baseUrl();
    line.settings.now = QDateTime(QDate(2025, 12, 5), QTime(9, 0));

    testing::internal::CaptureStdout();
    const int code = runCard(line);
    const QString out = QString::fromLocal8Bit(testing::internal::GetCapturedStdout());

    EXPECT_EQ(code, kExitOk) << out.toStdString();
    EXPECT_TRUE(out.contains(u"12 runners"_s)) << out.toStdString();
    EXPECT_EQ(test::readBytes(QDir(cards).filePath(u"大井05.txt"_s)), toCp932(test::twelveRunnerCardFile()));
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
    const QString site = u"--site=http://127.0.0.1:9"_s; // nothing listens: a fetch fails at once
    const QString portal = u"--portal=http://127.0.0.1:9"_s;
    const QString typo = QDir::toNativeSeparators(home.filePath(u"umaa"_s));
    const struct {
        const char* name;
        QStringList args;
        int code;
        QString words;         // in standard output or error
        QByteArray bytes = {}; // in standard output, as written
    } rows[] = {
        {"race number written 3R",
         {u"race"_s, u"大井"_s, u"3R"_s, site},
         kExitUsage,
         u"race: 大井 has races 1 to 2 today: no race 3"_s},
        {"race number 0",
         {u"race"_s, u"大井"_s, u"0"_s, site},
         kExitUsage,
         u"race: race number \"0\" is not a number from 1 to 99"_s},
        {"unknown venue",
         {u"race"_s, u"大宮"_s, u"1"_s, site},
         kExitUsage,
         u"no meeting at \"大宮\" today (2025-12-05); the meeting list names 大井 (races 1 to 2), 川崎 (races 1 to 1)"_s},
        {"race number missing", {u"race"_s, u"大井"_s, site}, kExitUsage, u"race needs a venue and a race number"_s},
        {"card race 13", {u"card"_s, u"大井"_s, u"13"_s, portal}, kExitUsage, u"is not a number from 1 to 12"_s},
        {"card race 12 beyond the meeting",
         {u"card"_s, u"大井"_s, u"12"_s, portal},
         kExitUsage,
         u"card: 大井 has races 1 to 2 today: no race 12"_s},
        {"card fails naming the race",
         {u"card"_s, u"大井"_s, u"2R"_s, portal},
         kExitFailed,
         u"race card of 大井 2R: "_s},
        {"polling without a site", {u"--headless"_s}, kExitUsage, u"--site is not set: polling needs"_s},
        {"malformed site",
         {u"race"_s, u"大井"_s, u"1"_s, u"--site"_s, u"htp:/x"_s},
         kExitUsage,
         u"--site: \"htp:/x\" is not a base URL"_s},
        {"card without a portal", {u"card"_s, u"大井"_s, u"1"_s}, kExitUsage, u"--portal is not set: kazeyomi card"_s},
        {"unknown command", {u"rase"_s}, kExitUsage, u"the commands are race, card, demo and render"_s},
        {"another command's option",
         {u"race"_s, u"大井"_s, u"1"_s, site, u"--speed=3"_s},
         kExitUsage,
         u"--speed is an option of kazeyomi demo only"_s},
        {"render style",
         {u"render"_s, page, u"--style"_s, u"fancy"_s},
         kExitUsage,
         u"--style \"fancy\" is neither modern nor legacy"_s},
        {"demo help", {u"demo"_s, u"--help"_s}, kExitOk, u"Usage: kazeyomi demo [--headless] [--speed N]"_s},
        {"race help", {u"race"_s, u"-h"_s}, kExitOk, u"Usage: kazeyomi race <venue> <race-number>"_s},
        {"mistyped base",
         {u"race"_s, u"大井"_s, u"1"_s, site, u"--base"_s, typo},
         kExitUsage,
         u"Hayatori: 開催情報を取得してから実行してください。\nThe base folder %1 does not exist"_s.arg(typo)},
        {"render into a pipe", {u"render"_s, page, u"--style=legacy"_s}, kExitOk, {}, "<P>\x91\xe5\x88\xe4</P>"},
        {"render --utf8", {u"render"_s, page, u"--style=legacy"_s, u"--utf8"_s}, kExitOk, {}, "<P>大井</P>"},
    };
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    for (const QString& name : env.keys())
        if (name.startsWith(u"KAZEYOMI_"_s) || name.startsWith(u"XDG_"_s))
            env.remove(name);
    env.insert(u"HOME"_s, home.path()); // no kazeyomi.ini of the user's
    env.insert(u"LC_ALL"_s, u"C.UTF-8"_s);
    for (const auto& r : rows) {
        SCOPED_TRACE(r.name);
        QProcess program;
        program.setProcessEnvironment(env);
        // The row's own options come last and win.
        program.start(QString::fromUtf8(KAZEYOMI_PROGRAM), QStringList{u"--now=2025-12-05T09:00"_s, u"--base="_s + base,
                                                                       u"--app-dir="_s + home.filePath(u"app"_s)} +
                                                               r.args);
        ASSERT_TRUE(program.waitForFinished(-1));
        const QByteArray out = program.readAllStandardOutput();
        const QString said = QString::fromUtf8(out + program.readAllStandardError());
        EXPECT_EQ(program.exitCode(), r.code) << said.toStdString();
        EXPECT_TRUE(said.contains(r.words)) << said.toStdString();
        EXPECT_TRUE(out.contains(r.bytes)) << out.toStdString();
        EXPECT_FALSE(said.contains(u"Option2"_s)) << said.toStdString();
    }
}
