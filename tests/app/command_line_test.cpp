// The headless mode run to its end on a fixed clock: a race still unfinished at midnight is
// stopped, the run ends, and the schedule is kept in Grid8.dat as closing the window keeps it.
#include "app/command_line.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include "demo/odds_pages.h"
#include "demo/pair_pages.h"
#include "demo/result_pages.h"
#include "demo/site_server.h"
#include "demo/triple_pages.h"
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

    // A run some of whose race fetches failed still keeps the schedule, and fails.
    testing::internal::CaptureStdout();
    testing::internal::CaptureStderr();
    EXPECT_EQ(endHeadless(session, u"every race is stopped"_s, 2), kExitFailed);
    EXPECT_TRUE(QString::fromLocal8Bit(testing::internal::GetCapturedStdout()).contains(u"saved the schedule"_s));
    EXPECT_TRUE(
        QString::fromLocal8Bit(testing::internal::GetCapturedStderr()).contains(u"2 race fetches had failures"_s));
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

// An exacta page without its heading: the site's layout changed. The race's other files are
// written, the exacta file gets no line, and the run says what failed and fails.
TEST(RaceCommand, APairPageWithoutItsHeadingFailsTheRunAndTheRestIsWritten)
{
    QTemporaryDir base;
    test::writeCardFolder(base.filePath(u"uma/nsdat2/251205"_s), {{u"oi"_s, u"大井"_s, 1, u"14:00"_s, u"OI"_s}});
    SiteServer site;
    ASSERT_TRUE(site.listen());
    WinPlacePage odds;
    odds.raceCode = u"OI01"_s;
    odds.runners = sampleRunners(10);
    const auto serve = [&](const QString& path, const QByteArray& body) {
        SiteResponse page;
        page.body = body;
        page.contentType = kOddsPageContentType;
        site.setPage(path, page);
    };
    const QString pages = u"/odds/"_s + odds.raceCode;
    serve(pages + u"01.do"_s, winPlacePage(odds));
    serve(pages + u"03.do"_s, QByteArray(exactaPage(odds).html).replace("odds-title\">馬単", "odds-title\">馬単式"));
    serve(pages + u"04.do"_s, quinellaWidePage(odds).html);
    serve(pages + u"09.do"_s, trioPage(odds).html);
    serve(pages + u"08.do"_s, trifectaPage(odds).html);
    serve(resultPagePath(odds.raceCode), resultPage(resultAfterRace(u"大井"_s, 1, 10)));
    CommandLine line;
    line.mode = CommandLine::Mode::Race;
    line.positional = {u"大井"_s, u"1"_s};
    line.settings.baseDir = base.filePath(u"uma"_s);
    line.settings.appDir = base.filePath(u"app"_s);
    line.settings.siteUrl = site.baseUrl();
    line.settings.now = QDateTime(QDate(2025, 12, 5), QTime(14, 5));

    testing::internal::CaptureStdout();
    const int code = runRace(line);
    const QString out = QString::fromLocal8Bit(testing::internal::GetCapturedStdout());

    EXPECT_EQ(code, kExitFailed) << out.toStdString();
    EXPECT_TRUE(out.contains(u"wrote .sei .jyun .tanA .Fuk1 .Fuk2 .uren .wideL .wideH .3fuku .3tan\n"_s))
        << out.toStdString();
    EXPECT_TRUE(
        out.contains(u"failed: exacta odds: the site's 馬単 page has no heading: its layout may have changed"_s))
        << out.toStdString();
    const QDir folder(base.filePath(u"uma/dat2/251205"_s));
    EXPECT_FALSE(folder.exists(u"大井01.utan"_s));
    for (const QString& ext : {u"tanA"_s, u"uren"_s, u"wideH"_s, u"3tan"_s})
        EXPECT_EQ(test::readBytes(folder.filePath(u"大井01."_s + ext)).count("\r\n"), 1) << ext.toStdString();
    EXPECT_TRUE(test::readBytes(folder.filePath(u"大井01.sei"_s)).contains(toCp932(u"円"_s)));
}
