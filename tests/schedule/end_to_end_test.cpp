// A whole day in small: two meetings, the local site server with generated pages, and the
// polling cycle ticked on a fixed clock, down to the files other programs read; and a race
// fetched onto a file system that fills up.
#include <algorithm>

#include <QDir>
#include <QScopeGuard>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include "demo/demo_day.h"
#include "demo/site_server.h"
#include "foundation/grid_layouts.h"
#include "foundation/text_codec.h"
#include "schedule/schedule_grid.h"
#include "session/session.h"
#include "support/fake_clock.h"
#include "support/files.h"
#include "support/quiet_notifier.h"
#include "support/small_file_system.h"

using namespace kazeyomi;
using namespace Qt::StringLiterals;

namespace {

class RaceDay : public ::testing::Test {
protected:
    QTemporaryDir base;
    std::shared_ptr<test::FakeClock> clock =
        std::make_shared<test::FakeClock>(QDateTime(QDate(2025, 12, 5), QTime(13, 58, 30)));
    DemoDay day{*clock, QDateTime(QDate(2025, 12, 5), QTime(14, 0)), {{u"大井"_s, 2}, {u"川崎"_s, 2}}, 10};
    SiteServer server;
    test::QuietNotifier notifier;
    std::unique_ptr<Session> session;
    QDir odds;
    std::vector<std::pair<QString, QString>> fetches; // clock time, "venue race"

    // The session of the day, its data folders under `baseDir`, started.
    void start(const QString& baseDir)
    {
        ASSERT_TRUE(server.listen());
        server.setHandler([this](const QString& target) { return day.respond(target); });
        Settings settings;
        settings.baseDir = baseDir;
        settings.appDir = base.filePath(u"app"_s);
        settings.siteUrl = server.baseUrl();
        settings.timeoutMs = 5000;
        session = std::make_unique<Session>(settings, notifier, clock);
        const QString card = QDir(baseDir).filePath(u"nsdat2/251205"_s);
        ASSERT_EQ(writeDayCards(card, day.cardMeetings(), settings.siteUrl).error, QString());
        ASSERT_TRUE(session->start().ok());
        odds.setPath(QDir(baseDir).filePath(u"dat2/251205"_s));
        QObject::connect(&session->poll(), &PollCycle::raceFetched, [this](const RaceOutcome& o) {
            fetches.emplace_back(clock->now().toString(u"HH:mm"_s), u"%1 %2"_s.arg(o.venue).arg(o.race));
        });
    }
    QString text(const QString& name) const { return fromCp932(test::readBytes(odds.filePath(name))); }
};

} // namespace

TEST_F(RaceDay, PollsBothMeetingsIntoTheirOwnFilesUntilEachResultIsIn)
{
    start(base.filePath(u"uma"_s));
    session->click(u"Command2"_s);
    // What the armed one-second timer would do, 15 seconds at a time.
    while (clock->now().time() < QTime(14, 20)) {
        clock->advance(15);
        session->poll().Timer1_Timer();
    }
    // Each race's history holds its own field: as many odds as its runners, the rest "0.0".
    for (const DemoRace& race : day.races()) {
        SCOPED_TRACE((race.venue + QString::number(race.race)).toStdString());
        const QString key = race.venue + twoDigitRace(race.race);
        const QStringList lines = text(key + u".tanA"_s).split(u"\r\n"_s, Qt::SkipEmptyParts);
        ASSERT_FALSE(lines.isEmpty());
        const QString first = lines.first();
        ASSERT_EQ(first.size(), 5 + 16 * 8);
        int runners = 0;
        for (int h = 0; h < 16; ++h)
            runners += first.mid(5 + h * 8, 8) != u"     0.0"_s ? 1 : 0;
        EXPECT_EQ(runners, race.runners);
        EXPECT_EQ(text(key + u".Fuk1"_s).count(u"\r\n"_s), lines.size());
        // The result came three minutes after the post and ends the polling of the row.
        EXPECT_EQ(text(key + u".jyun"_s).count(u"\r\n"_s), 20);
        EXPECT_NE(text(key + u".jyun"_s).split(u"\r\n"_s).first().trimmed(), QString());
        EXPECT_TRUE(text(key + u".sei"_s).contains(u"円"_s));
    }
    const GridModel& schedule = session->form().grid(Grid::VSFlexGrid8);
    for (int r = 1; r < schedule.rows(); ++r) {
        EXPECT_EQ(schedule.textMatrix(r, ScheduleColumn::Countdown), ScheduleValue::kStopped) << r;
        EXPECT_EQ(schedule.textMatrix(r, ScheduleColumn::State), FetchState::kComplete) << r;
    }
    EXPECT_EQ(session->poll().activeRows(), 0);
    // Post 14:00, result page complete from 14:03: after the post every two minutes, 14:02 (no
    // result yet) and 14:04 (in), then no more.
    QStringList times;
    for (const auto& [at, what] : fetches)
        if (what == u"大井 1"_s)
            times << at;
    EXPECT_EQ(times, (QStringList{u"13:59"_s, u"14:00"_s, u"14:02"_s, u"14:04"_s}));
    // The second meeting's races were fetched with their own page ids.
    EXPECT_NE(text(u"川崎01.tanA"_s).left(40), text(u"大井01.tanA"_s).left(40));
    EXPECT_TRUE(notifier.told.isEmpty());
}

// What `kazeyomi race` sees and what stays on disk for the programs that read the odds folder.
TEST_F(RaceDay, ARaceOnAFullDiskListsEveryWriteAsFailedAndKeepsEveryFile)
{
    const test::SmallFileSystem disk;
    if (!disk.mounted())
        GTEST_SKIP() << "a small file system cannot be mounted here";
    const auto unmountLast = qScopeGuard([this] { session.reset(); }); // the session holds files on it
    start(disk.filePath(u"uma"_s));
    const RaceOutcome first = session->races().Race_get(u"大井"_s, 1, 1);
    ASSERT_TRUE(first.ok()) << first.failures.join(u'\n').toStdString();
    ASSERT_EQ(first.written.size(), 11);
    QStringList files = odds.entryList({u"大井01.*"_s});
    ASSERT_EQ(files.size(), 11);
    std::map<QString, QByteArray> before;
    for (const QString& name : files)
        before[name] = test::readBytes(odds.filePath(name));

    disk.fill();
    clock->advance(60);
    const RaceOutcome full = session->races().Race_get(u"大井"_s, 1, 1);
    EXPECT_TRUE(full.written.isEmpty()) << full.written.join(u' ').toStdString();
    EXPECT_FALSE(full.ok()); // `kazeyomi race` exits 1
    for (const QString& name : files) {
        SCOPED_TRACE(name.toStdString());
        EXPECT_FALSE(before[name].isEmpty());
        EXPECT_EQ(test::readBytes(odds.filePath(name)), before[name]);
        const QString path = QDir::toNativeSeparators(odds.filePath(name));
        EXPECT_TRUE(std::any_of(full.failures.begin(), full.failures.end(),
                                [&](const QString& failure) { return failure.contains(path); }));
    }
    // The day's history database cannot grow either: told once, beside the files' failures.
    EXPECT_EQ(session->form().fetchLog().filter(u"history database"_s).size(), 1);
    // No zero-byte snapshot file and no half-written new content stays behind.
    files << u"kazeyomi.sqlite"_s << u"kazeyomi.sqlite-shm"_s << u"kazeyomi.sqlite-wal"_s;
    files.sort();
    EXPECT_EQ(odds.entryList(QDir::Files | QDir::Hidden, QDir::Name), files);
}
