// The headless mode run to its end on a fixed clock: a race still unfinished at midnight is
// stopped, the run ends, and the schedule is kept in Grid8.dat as closing the window keeps it.
#include "app/command_line.h"

#include <QDir>
#include <QFile>
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
    testing::internal::CaptureStderr();
    const int code = endHeadless(session, u"interrupted: stopping"_s);
    const QString out = QString::fromLocal8Bit(testing::internal::GetCapturedStderr());
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
