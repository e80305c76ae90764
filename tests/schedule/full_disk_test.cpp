// One race fetched onto a file system that fills up: what `kazeyomi race` sees and what
// stays on disk for the programs that read the odds folder.
#include <algorithm>

#include <QDir>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include "demo/demo_day.h"
#include "demo/site_server.h"
#include "foundation/grid_layouts.h"
#include "foundation/notifier.h"
#include "schedule/schedule_grid.h"
#include "session/session.h"
#include "support/fake_clock.h"
#include "support/files.h"
#include "support/small_file_system.h"

using namespace kazeyomi;
using namespace Qt::StringLiterals;

namespace {

class Quiet final : public Notifier {
public:
    void tell(const QString&, const QString&) override {}
    bool ask(const QString&, const QString&) override { return false; }
};

const QStringList kFiles = {u"大井01.sei"_s,   u"大井01.jyun"_s,  u"大井01.tanA"_s, u"大井01.Fuk1"_s,
                            u"大井01.Fuk2"_s,  u"大井01.uren"_s,  u"大井01.utan"_s, u"大井01.wideL"_s,
                            u"大井01.wideH"_s, u"大井01.3fuku"_s, u"大井01.3tan"_s};

} // namespace

TEST(FullDisk, ARaceOnAFullDiskListsEveryWriteAsFailedAndKeepsEveryFile)
{
    const test::SmallFileSystem disk;
    if (!disk.mounted())
        GTEST_SKIP() << "a small file system cannot be mounted here";
    QTemporaryDir app;
    auto clock = std::make_shared<test::FakeClock>(QDateTime(QDate(2025, 12, 5), QTime(13, 50)));
    DemoDay day{*clock, QDateTime(QDate(2025, 12, 5), QTime(14, 0)), {{u"大井"_s, 1}}, 10};
    SiteServer server;
    ASSERT_TRUE(server.listen());
    server.setHandler([&](const QString& target) { return day.respond(target); });
    Settings settings;
    settings.baseDir = disk.filePath(u"uma"_s);
    settings.appDir = app.path();
    settings.siteUrl = server.baseUrl();
    settings.timeoutMs = 5000;
    Quiet notifier;
    Session session(settings, notifier, clock);
    ASSERT_EQ(
        writeDayCards(QDir(settings.baseDir).filePath(u"nsdat2/251205"_s), day.cardMeetings(), settings.siteUrl).error,
        QString());
    ASSERT_TRUE(session.start().ok());
    const QDir odds(QDir(settings.baseDir).filePath(u"dat2/251205"_s));

    const RaceOutcome first = session.races().Race_get(u"大井"_s, 1, 1);
    ASSERT_TRUE(first.ok()) << first.failures.join(u'\n').toStdString();
    ASSERT_EQ(first.written, (QStringList{u".sei"_s, u".jyun"_s, u".tanA"_s, u".Fuk1"_s, u".Fuk2"_s, u".uren"_s,
                                          u".utan"_s, u".wideL"_s, u".wideH"_s, u".3fuku"_s, u".3tan"_s}));
    QList<QByteArray> before;
    for (const QString& name : kFiles)
        before << test::readBytes(odds.filePath(name));

    disk.fill();
    clock->advance(60);
    const RaceOutcome full = session.races().Race_get(u"大井"_s, 1, 1);
    EXPECT_TRUE(full.written.isEmpty()) << full.written.join(u' ').toStdString();
    EXPECT_FALSE(full.ok()); // `kazeyomi race` exits 1
    for (int i = 0; i < kFiles.size(); ++i) {
        SCOPED_TRACE(kFiles[i].toStdString());
        EXPECT_FALSE(before[i].isEmpty());
        EXPECT_EQ(test::readBytes(odds.filePath(kFiles[i])), before[i]);
        const QString path = QDir::toNativeSeparators(odds.filePath(kFiles[i]));
        EXPECT_TRUE(std::any_of(full.failures.begin(), full.failures.end(), [&](const QString& failure) {
            return failure.contains(path);
        })) << full.failures.join(u'\n').toStdString();
    }
    // The day's history database cannot grow either: told once, beside the files' failures.
    const QStringList told = session.form().fetchLog().filter(u"history database"_s);
    EXPECT_EQ(told.size(), 1) << told.join(u'\n').toStdString();
    // No zero-byte snapshot file and no half-written new content stays behind.
    QStringList expected =
        kFiles + QStringList{u"kazeyomi.sqlite"_s, u"kazeyomi.sqlite-shm"_s, u"kazeyomi.sqlite-wal"_s};
    expected.sort();
    QStringList left = odds.entryList(QDir::Files | QDir::Hidden);
    left.sort();
    EXPECT_EQ(left, expected);
}
