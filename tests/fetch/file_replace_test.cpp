#include "fetch/file_replace.h"

#include <QDir>
#include <QElapsedTimer>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include "support/files.h"

using namespace kazeyomi;
using namespace Qt::StringLiterals;

TEST(FileReplace, ReplacesInEveryLineAndCountsTheReplacements)
{
    QTemporaryDir dir;
    const QString src = dir.filePath(u"tmp.html2"_s);
    const QString dst = dir.filePath(u"tmp.html"_s);
    const struct {
        const char* name;
        QByteArray in;
        int count;
        QByteArray out;
    } rows[] = {
        {"two tags, both cases", "<script>a</script><SCRIPT src=x>", 2, "<Sscript>a</script><Sscript src=x>\r\n"},
        {"lone CR ends a line", "<script>\r<Script>", 2, "<Sscript>\r\n<Sscript>\r\n"},
        {"lone LF stays inside", "a\n<script>\r\n", 1, "a\n<Sscript>\r\n"},
        {"nothing to replace", "<p>\x91\xE5\x88\xE4</p>", 0, "<p>\x91\xE5\x88\xE4</p>\r\n"},
        {"empty file", "", 0, ""},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.name);
        test::writeBytes(src, r.in);
        EXPECT_EQ(File_Replace(src, dst, u"<script"_s, u"<Sscript"_s), r.count);
        EXPECT_EQ(test::readBytes(dst), r.out);
    }
}

TEST(FileReplace, NeverSearchesItsOwnReplacementsAndStaysLinear)
{
    QTemporaryDir dir;
    const QString src = dir.filePath(u"in"_s);
    const QString dst = dir.filePath(u"out"_s);
    test::writeBytes(src, "aXAa");
    EXPECT_EQ(File_Replace(src, dst, u"a"_s, u"aa"_s), 3);
    EXPECT_EQ(test::readBytes(dst), QByteArray("aaXaaaa\r\n"));

    // 160,000 matches on one line of 1.1 MB.
    test::writeBytes(src, QByteArray("<script").repeated(160000));
    QElapsedTimer timer;
    timer.start();
    EXPECT_EQ(File_Replace(src, dst, u"<script"_s, u"<Sscript"_s), 160000);
    EXPECT_LT(timer.elapsed(), 1000);
    EXPECT_EQ(test::readBytes(dst), QByteArray("<Sscript").repeated(160000) + "\r\n");
}

TEST(FileReplace, ReportsFilesThatCannotBeOpened)
{
    QTemporaryDir dir;
    const QString src = dir.filePath(u"in.txt"_s);
    EXPECT_EQ(File_Replace(dir.filePath(u"missing"_s), dir.filePath(u"out"_s), u"a"_s, u"b"_s), -1);
    test::writeBytes(src, "a");
    EXPECT_EQ(File_Replace(src, dir.filePath(u"no/such/dir/out"_s), u"a"_s, u"b"_s), -1);
    EXPECT_EQ(File_Replace(src, u"/dev/full"_s, u"a"_s, u"b"_s), -2);
}
