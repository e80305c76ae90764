#include "fetch/file_replace.h"

#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include "support/failing_device.h"
#include "support/files.h"

using namespace kazeyomi;
using namespace Qt::StringLiterals;

TEST(FileReplace, ReplacesInEveryLineAndCountsTheReplacements)
{
    QTemporaryDir dir;
    const QString src = dir.filePath(u"tmp.html2"_s);
    const QString dst = dir.filePath(u"tmp.html"_s);
    for (const QStringList& r : test::dataRows(u"script_replace.tsv"_s)) {
        SCOPED_TRACE(r[0].toStdString());
        test::writeBytes(src, QByteArray::fromPercentEncoding(r[1].toLatin1()));
        EXPECT_EQ(File_Replace(src, dst, u"<script"_s, u"<Sscript"_s).count, r[2].toInt());
        EXPECT_EQ(test::readBytes(dst), QByteArray::fromPercentEncoding(r[3].toLatin1()));
    }
}

TEST(FileReplace, NeverSearchesItsOwnReplacements)
{
    QTemporaryDir dir;
    const QString src = dir.filePath(u"in"_s);
    const QString dst = dir.filePath(u"out"_s);
    test::writeBytes(src, "aXAa");
    EXPECT_EQ(File_Replace(src, dst, u"a"_s, u"aa"_s).count, 3);
    EXPECT_EQ(test::readBytes(dst), QByteArray("aaXaaaa\r\n"));

    // 160,000 matches on one line of 1.1 MB.
    test::writeBytes(src, QByteArray("<script").repeated(160000));
    EXPECT_EQ(File_Replace(src, dst, u"<script"_s, u"<Sscript"_s).count, 160000); // timed in the bench
    EXPECT_EQ(test::readBytes(dst), QByteArray("<Sscript").repeated(160000) + "\r\n");
}

TEST(FileReplace, ReportsTheFileThatFailedAndLeavesNoPartOfTheCopy)
{
    using test::FailingDevice;
    QTemporaryDir dir;
    const QString src = dir.filePath(u"in.txt"_s);
    const QString out = dir.filePath(u"out"_s);
    test::writeBytes(src, QByteArray("<script>\r\n").repeated(20));
    const struct {
        const char* name;
        QString source;
        QString destination;
        test::FailingFiles devices;
        QString named;
    } rows[] = {
        {"source missing", dir.filePath(u"missing"_s), out, test::FailingFiles(1 << 20, FailingDevice::FailAt::Write),
         dir.filePath(u"missing"_s)},
        {"destination folder missing", src, dir.filePath(u"no/such/dir/out"_s),
         test::FailingFiles(1 << 20, FailingDevice::FailAt::Write), dir.filePath(u"no/such/dir/out"_s)},
        {"disk full after 30 bytes", src, out, test::FailingFiles(30, FailingDevice::FailAt::Write), out},
        {"only 30 bytes get out at close", src, out, test::FailingFiles(30, FailingDevice::FailAt::Close), out},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.name);
        const Counted replaced = File_Replace(r.source, r.destination, u"<script"_s, u"<Sscript"_s, r.devices);
        EXPECT_FALSE(replaced.ok());
        EXPECT_TRUE(replaced.error.contains(QDir::toNativeSeparators(r.named))) << replaced.error.toStdString();
        EXPECT_FALSE(QFileInfo::exists(out)); // never a half copy the browser could be given
    }
    const Counted whole = File_Replace(src, out, u"<script"_s, u"<Sscript"_s);
    EXPECT_TRUE(whole.ok());
    EXPECT_EQ(whole.count, 20);
}
