#include "foundation/file_writer.h"

#include <algorithm>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include "support/failing_device.h"
#include "support/files.h"
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

TEST(FileWriter, AHistoryNeverKeepsHalfALine)
{
    for (const Failure& f : kFailures) {
        for (const bool existed : {true, false}) {
            SCOPED_TRACE(std::string(f.name) + (existed ? ", history with two lines" : ", first line of the day"));
            QTemporaryDir dir;
            const QString path = dir.filePath(u"大井10.tanA"_s);
            if (existed)
                writeBytes(path, kOld);
            const FailingFiles files(f.budget, f.at);
            const Outcome result = FileWriter(files).appendLine(path, kLine);
            EXPECT_TRUE(result.error.contains(QDir::toNativeSeparators(path))) << result.error.toStdString();
            EXPECT_EQ(QFile::exists(path), existed);
            EXPECT_EQ(readBytes(path), existed ? kOld : QByteArray());
        }
    }
    QTemporaryDir dir;
    const QString path = dir.filePath(u"大井10.tanA"_s);
    writeBytes(path, kOld);
    EXPECT_TRUE(FileWriter().appendLine(path, kLine).ok());
    EXPECT_EQ(readBytes(path), kOld + kLine);
}

TEST(FileWriter, AReplacedFileStaysWholeWhenTheNewBytesDoNotGetOut)
{
    for (const Failure& f : kFailures) {
        SCOPED_TRACE(f.name);
        QTemporaryDir dir;
        const QString path = dir.filePath(u"大井01.sei"_s);
        writeBytes(path, kOld);
        const FailingFiles files(f.budget, f.at); // the first open is the new content's
        const Outcome result = FileWriter(files).replace(path, kLine + kLine + kLine);
        EXPECT_TRUE(result.error.contains(QDir::toNativeSeparators(path))) << result.error.toStdString();
        EXPECT_EQ(readBytes(path), kOld);
        EXPECT_EQ(leftovers(dir), QStringList{u"大井01.sei"_s}); // no temporary file stays
        EXPECT_EQ(files.opened.size(), 1);                       // and no write in place
    }
}

TEST(FileWriter, WhereTheRenameIsRefusedItOverwritesInPlaceAndPutsTheOldBytesBackOnFailure)
{
    const QByteArray shorter = "short\r\n";
    const QByteArray longer = kOld + kOld;
    const struct {
        const char* name;
        bool existed;
        QByteArray bytes;
        bool inPlaceFails;
    } rows[] = {
        {"longer content", true, longer, false},
        {"shorter content: the old tail is cut", true, shorter, false},
        {"no file yet", false, shorter, false},
        {"longer content, write in place fails", true, longer, true},
        {"shorter content, write in place fails", true, shorter, true},
        {"no file yet, write in place fails", false, shorter, true},
    };
    for (const auto& r : rows) {
        for (const Failure& f : kFailures) {
            if (!r.inPlaceFails && &f != &kFailures[0])
                continue;
            SCOPED_TRACE(std::string(r.name) + (r.inPlaceFails ? std::string(", ") + f.name : std::string()));
            QTemporaryDir dir;
            const QString path = dir.filePath(u"大井01.sei"_s);
            if (r.existed)
                writeBytes(path, kOld);
            // Open 0 is the temporary file, open 1 the write in place, open 2 the repair.
            FailingFiles files(f.budget, f.at, r.inPlaceFails ? QSet<int>{1} : QSet<int>{});
            files.refuseRenames = u"held by a reader"_s;
            const Outcome result = FileWriter(files).replace(path, r.bytes);
            EXPECT_EQ(leftovers(dir), r.existed || !r.inPlaceFails ? QStringList{u"大井01.sei"_s} : QStringList());
            if (!r.inPlaceFails) {
                EXPECT_TRUE(result.ok()) << result.error.toStdString();
                EXPECT_EQ(readBytes(path), r.bytes);
                continue;
            }
            EXPECT_TRUE(result.error.contains(QDir::toNativeSeparators(path))) << result.error.toStdString();
            EXPECT_TRUE(result.error.contains(u"held by a reader"_s)) << result.error.toStdString();
            EXPECT_EQ(readBytes(path), r.existed ? kOld : QByteArray());
        }
    }
}

TEST(FileWriter, AnInPlaceWriteNeverCutsTheFileShortEvenWhenItsRepairFails)
{
    for (const Failure& f : kFailures) {
        for (const QByteArray& bytes : {QByteArray("short\r\n"), kOld + kOld}) {
            SCOPED_TRACE(std::string(f.name) + ", " + std::to_string(bytes.size()) + " new bytes");
            QTemporaryDir dir;
            const QString path = dir.filePath(u"大井01.sei"_s);
            writeBytes(path, kOld);
            FailingFiles files(f.budget, f.at, {1, 2}); // the write in place and its repair
            files.refuseRenames = u"held by a reader"_s;
            const Outcome result = FileWriter(files).replace(path, bytes);
            EXPECT_TRUE(result.error.contains(u"could not be put back"_s)) << result.error.toStdString();
            EXPECT_GE(QFileInfo(path).size(), kOld.size());
        }
    }
}

TEST(FileWriter, APlainWriteThatFailsLeavesNoFile)
{
    for (const Failure& f : kFailures) {
        SCOPED_TRACE(f.name);
        QTemporaryDir dir;
        const QString path = dir.filePath(u"大井10.tanAT"_s);
        const FailingFiles files(f.budget, f.at);
        const Outcome result = FileWriter(files).write(path, kLine);
        EXPECT_TRUE(result.error.contains(QDir::toNativeSeparators(path))) << result.error.toStdString();
        EXPECT_FALSE(QFile::exists(path));
    }
}

TEST(FileWriter, TheFullDeviceIsReportedForEveryKindOfWrite)
{
    QFile probe(u"/dev/full"_s);
    if (!probe.open(QIODevice::WriteOnly | QIODevice::Unbuffered) || probe.write("x", 1) == 1)
        GTEST_SKIP() << "no /dev/full that refuses bytes here";
    // Each file the writer opens is a link to the device that takes no byte.
    QTemporaryDir dir;
    const QString sei = dir.filePath(u"大井01.sei"_s);
    const QString history = dir.filePath(u"大井01.tanA"_s);
    const QString snapshot = dir.filePath(u"大井01.tanAT"_s);
    writeBytes(sei, kOld);
    for (const QString& link : {sei + u".writing"_s, history, snapshot})
        ASSERT_TRUE(QFile::link(u"/dev/full"_s, link));
    const Outcome results[] = {FileWriter().replace(sei, kLine), FileWriter().appendLine(history, kLine),
                               FileWriter().write(snapshot, kLine)};
    for (const QString& path : {sei, history, snapshot})
        EXPECT_TRUE(std::any_of(std::begin(results), std::end(results), [&](const Outcome& r) {
            return r.error.contains(QDir::toNativeSeparators(path));
        })) << path.toStdString();
    ASSERT_FALSE(QFileInfo(sei).isSymLink()); // reading the device would never end
    EXPECT_EQ(readBytes(sei), kOld);
    EXPECT_FALSE(QFileInfo(u"/dev/full"_s).isFile()); // the device itself is never removed
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
