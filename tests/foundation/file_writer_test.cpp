#include "foundation/file_writer.h"

#include <functional>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include "odds/files/tanfuku_writers.h"
#include "results/result_writers.h"
#include "scraping/cached_page.h"
#include "scraping/work_file.h"
#include "support/failing_device.h"
#include "support/files.h"
#include "support/race_fixture.h"
#include "support/small_file_system.h"

using namespace kazeyomi;
using namespace kazeyomi::test;
using namespace Qt::StringLiterals;

namespace {

using FailAt = FailingDevice::FailAt;

const QByteArray kOld = "10:20     2.3     4.5\r\n10:25     2.4     4.4\r\n";
const QByteArray kLine = "10:30     2.5     4.3\r\n";

struct Failure {
    const char* name;
    qint64 budget;
    FailAt at;
};
// Part of the bytes, none of them, and a failure that shows only when the device is closed.
const Failure kFailures[] = {
    {"fails after 3 bytes", 3, FailAt::Write},
    {"takes no byte", 0, FailAt::Write},
    {"fails at close after 3 bytes", 3, FailAt::Close},
    {"fails at close with nothing out", 0, FailAt::Close},
};

QStringList leftovers(const QTemporaryDir& dir)
{
    return QDir(dir.path()).entryList(QDir::Files | QDir::NoDotAndDotDot | QDir::Hidden);
}

} // namespace

// The first line of the day that does not get out leaves no file behind (a history that was
// there keeps its bytes: see the table over all writers).
TEST(FileWriter, AHistoryNeverKeepsHalfALine)
{
    for (const Failure& f : kFailures) {
        SCOPED_TRACE(f.name);
        QTemporaryDir dir;
        const QString path = dir.filePath(u"大井10.tanA"_s);
        const Outcome result = FileWriter(FailingFiles(f.budget, f.at)).appendLine(path, kLine);
        EXPECT_TRUE(result.error.contains(QDir::toNativeSeparators(path))) << result.error.toStdString();
        EXPECT_FALSE(QFile::exists(path));
    }
    QTemporaryDir dir;
    const QString path = dir.filePath(u"大井10.tanA"_s);
    writeBytes(path, kOld);
    EXPECT_TRUE(FileWriter().appendLine(path, kLine).ok());
    EXPECT_EQ(readBytes(path), kOld + kLine);
}

// Open 0 is the temporary file, open 1 the write in place, open 2 its repair.
TEST(FileWriter, WhereTheRenameIsRefusedItOverwritesInPlaceAndPutsTheOldBytesBackOnFailure)
{
    const QByteArray shorter = "short\r\n";
    const QByteArray longer = kOld + kOld;
    const struct {
        const char* name;
        bool existed;
        QByteArray bytes;
        QSet<int> failing;
    } rows[] = {
        {"longer content", true, longer, {}},
        {"shorter content: the old tail is cut", true, shorter, {}},
        {"no file yet", false, shorter, {}},
        {"longer content, write in place fails", true, longer, {1}},
        {"shorter content, write in place fails", true, shorter, {1}},
        {"no file yet, write in place fails", false, shorter, {1}},
        {"longer content, its repair fails too: never cut short", true, longer, {1, 2}},
        {"shorter content, its repair fails too: never cut short", true, shorter, {1, 2}},
    };
    for (const auto& r : rows) {
        for (const Failure& f : kFailures) {
            if (r.failing.isEmpty() && &f != &kFailures[0])
                continue;
            SCOPED_TRACE(std::string(r.name) + ", " + f.name);
            QTemporaryDir dir;
            const QString path = dir.filePath(u"大井01.sei"_s);
            if (r.existed)
                writeBytes(path, kOld);
            FailingFiles files(f.budget, f.at, r.failing);
            files.refuseRenames = u"held by a reader"_s;
            const Outcome result = FileWriter(files).replace(path, r.bytes);
            if (r.failing.isEmpty()) {
                EXPECT_TRUE(result.ok()) << result.error.toStdString();
                EXPECT_EQ(readBytes(path), r.bytes);
            } else if (r.failing.contains(2)) {
                EXPECT_TRUE(result.error.contains(u"could not be put back"_s)) << result.error.toStdString();
                EXPECT_GE(QFileInfo(path).size(), kOld.size());
                continue;
            } else {
                EXPECT_TRUE(result.error.contains(QDir::toNativeSeparators(path))) << result.error.toStdString();
                EXPECT_TRUE(result.error.contains(u"held by a reader"_s)) << result.error.toStdString();
                EXPECT_EQ(readBytes(path), r.existed ? kOld : QByteArray());
            }
            EXPECT_EQ(leftovers(dir), r.existed || r.failing.isEmpty() ? QStringList{u"大井01.sei"_s} : QStringList());
        }
    }
}

TEST(FileWriter, OnAFullFileSystemEveryFileKeepsItsBytes)
{
    const SmallFileSystem disk;
    if (!disk.mounted())
        GTEST_SKIP() << "a small file system cannot be mounted here";
    const QString sei = disk.filePath(u"大井01.sei"_s);
    const QString history = disk.filePath(u"大井01.tanA"_s);
    const QString snapshot = disk.filePath(u"大井01.tanAT"_s);
    const QByteArray good(158, 's');
    // A whole page: the next line needs a block the full disk no longer has.
    const QByteArray lines = QByteArray(4096 - 2, 'h') + "\r\n";
    ASSERT_TRUE(FileWriter().replace(sei, good).ok());
    ASSERT_TRUE(FileWriter().write(history, lines).ok());
    disk.fill();

    const Outcome replaced = FileWriter().replace(sei, QByteArray(144, ' ') + "\r\n");
    EXPECT_TRUE(replaced.error.contains(QDir::toNativeSeparators(sei))) << replaced.error.toStdString();
    EXPECT_EQ(readBytes(sei), good);
    EXPECT_FALSE(QFile::exists(sei + u".writing"_s));

    const Outcome appended = FileWriter().appendLine(history, kLine);
    EXPECT_TRUE(appended.error.contains(QDir::toNativeSeparators(history))) << appended.error.toStdString();
    EXPECT_EQ(readBytes(history), lines);

    const Outcome written = FileWriter().write(snapshot, kLine);
    EXPECT_TRUE(written.error.contains(QDir::toNativeSeparators(snapshot))) << written.error.toStdString();
    EXPECT_FALSE(QFile::exists(snapshot)); // no zero-byte snapshot stays behind
}

namespace {

class PlantedLinks : public RaceFixture {};

} // namespace

// Every file the program writes, planted as a link to a file outside the base folder: the
// outside file keeps its bytes and the link stays; the write fails naming the path, except a
// leftover temporary, which is removed (the link, not its target) and made anew.
TEST_F(PlantedLinks, NoWriteGoesThroughALink)
{
    QTemporaryDir outside;
    const QString victim = outside.filePath(u"victim"_s);
    const QByteArray kept = "not the program's\r\n";
    setRace(u"大井"_s, 10);
    site.setPage(u"https://site.test/odds/101.do"_s, "<html><body><p>" + QByteArray(100, 'p') + "</p></body></html>");
    const auto fetchWinPlace = [&] {
        const qsizetype logged = form.fetchLog().size();
        CachedPage page = fetchCachedPage(fetcher, u"https://site.test/odds/101.do"_s, {u"単勝・複勝.txt"_s, 10});
        return Outcome{page.ready() ? form.fetchLog().mid(logged).join(u'\n') : page.reason()};
    };
    const auto writeWork = [&] {
        WorkFile work(fetcher);
        work.addLine(u"x"_s);
        return work.write();
    };
    const struct {
        const char* name;
        QString planted;
        std::function<Outcome()> write;
        bool refused;
    } rows[] = {
        {"history", oddsFile(u"大井10.tanA"_s), [&] { return TanA_write(context); }, true},
        {"snapshot", oddsFile(u"大井10.tanAT"_s), [&] { return TanA_write(context); }, true},
        {"result file", oddsFile(u"大井10.sei"_s), [&] { return Sei_write(context); }, true},
        {"leftover temporary", oddsFile(u"大井10.sei.writing"_s), [&] { return Sei_write(context); }, false},
        {"page copy", fetcher.path(u"単勝・複勝.txt"_s), fetchWinPlace, true},
        {"work file", fetcher.path(u"tmp2.txt"_s), writeWork, true},
    };
#ifdef Q_OS_WIN
    GTEST_SKIP() << "QFile::link makes a shortcut file here, which no file call follows";
#endif
    for (const auto& r : rows) {
        SCOPED_TRACE(r.name);
        writeBytes(victim, kept);
        ASSERT_TRUE(QFile::link(victim, r.planted));
        const Outcome written = r.write();
        EXPECT_EQ(readBytes(victim), kept);
        EXPECT_EQ(QFileInfo(r.planted).isSymLink(), r.refused);
        if (r.refused)
            EXPECT_TRUE(written.error.contains(QDir::toNativeSeparators(r.planted))) << written.error.toStdString();
        else
            EXPECT_TRUE(written.ok()) << written.error.toStdString();
        QFile::remove(r.planted);
    }
}
