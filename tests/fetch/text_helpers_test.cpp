#include "fetch/text_helpers.h"

#include <QDir>
#include <QElapsedTimer>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include "fetch/page_reader.h"
#include "support/files.h"

using namespace kazeyomi;
using namespace Qt::StringLiterals;

TEST(MojiGet, CutsBetweenTheFirstMarkersAndUpperCasesItsArguments)
{
    const struct {
        const char* name;
        QString line, start, end;
        QString cut, lineAfter;
    } rows[] = {
        {"cell", u"<TD>abc</TD>"_s, u"<td>"_s, u"</td>"_s, u"ABC"_s, u"<TD>ABC</TD>"_s},
        {"missing start", u"<b>x</td>"_s, u"<td>"_s, u"</td>"_s, QString(), u"<B>X</TD>"_s},
        {"missing end", u"<td>x"_s, u"<td>"_s, u"</td>"_s, QString(), u"<TD>X"_s},
        {"zero length", u"<td></td>"_s, u"<td>"_s, u"</td>"_s, QString(), u"<TD></TD>"_s},
        {"japanese kept, ascii upper", u"<td>大井ab</td>"_s, u"<td>"_s, u"</td>"_s, u"大井AB"_s, u"<TD>大井AB</TD>"_s},
        {"full-width letters stay", u"[ｂ]"_s, u"["_s, u"]"_s, u"ｂ"_s, u"[ｂ]"_s},
        {"first markers only", u"<td>1</td><td>2</td>"_s, u"<td>"_s, u"</td>"_s, u"1"_s, u"<TD>1</TD><TD>2</TD>"_s},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.name);
        QString line = r.line;
        QString start = r.start;
        QString end = r.end;
        EXPECT_EQ(Moji_get(line, start, end), r.cut);
        EXPECT_EQ(line, r.lineAfter);
        EXPECT_EQ(start, upperAscii(r.start));
        EXPECT_EQ(end, upperAscii(r.end));
    }
}

TEST(MojiGet, AnEndMarkerBeforeTheStartMarkerIsAnError)
{
    QString line = u"b]a[b]"_s;
    EXPECT_THROW(Moji_get(line, u"["_s, u"]"_s), CutError);
    QString target = u"kept"_s;
    EXPECT_FALSE(attempt([&] { target = Moji_get(line, u"["_s, u"]"_s); }));
    EXPECT_EQ(target, u"kept"_s); // a skipped statement leaves its target alone
}

TEST(TrioKey, SortsTheCallersNumbersLargestFirst)
{
    const struct {
        qint16 a, b, c;
        const char* key;
    } rows[] = {
        {3, 12, 7, "12-7-3"}, {5, 5, 2, "5-5-2"}, {1, 2, 3, "3-2-1"}, {16, 15, 14, "16-15-14"}, {2, 5, 5, "5-5-2"}};
    for (const auto& r : rows) {
        qint16 a = r.a, b = r.b, c = r.c;
        EXPECT_EQ(Trio_key(a, b, c), QString::fromLatin1(r.key));
        EXPECT_TRUE(a >= b && b >= c);
    }
}

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

TEST(PageReader, KeepsTheLineInHandWhenAReadPassesTheEnd)
{
    PageReader page(u"one\r\ntwo\rthree\nstill three\r\n"_s);
    QString line;
    EXPECT_TRUE(page.readLine(line));
    EXPECT_TRUE(page.skip(line, 2));
    EXPECT_EQ(line, u"three\nstill three"_s);
    EXPECT_TRUE(page.atEnd());
    EXPECT_FALSE(page.passedEnd());
    EXPECT_FALSE(page.readLine(line));
    EXPECT_EQ(line, u"three\nstill three"_s);
    EXPECT_TRUE(page.passedEnd());

    PageReader scan(u"a\r\nb\r\nmark\r\nc"_s);
    line.clear();
    EXPECT_TRUE(scan.readUntil(line, u"mark"_s));
    EXPECT_TRUE(scan.readUntil(line, u"mark"_s)); // the line in hand is tested first
    EXPECT_FALSE(scan.readUntil(line, u"none"_s));
    EXPECT_EQ(line, u"c"_s);
}
