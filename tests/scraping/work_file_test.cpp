#include "scraping/work_file.h"

#include <vector>

#include <QTemporaryDir>

#include <gtest/gtest.h>

#include "foundation/text_codec.h"
#include "support/files.h"

using namespace kazeyomi;
using namespace kazeyomi::test;
using namespace Qt::StringLiterals;

TEST(ReplaceInOrder, EachReplacementSeesWhatTheEarlierOnesMade)
{
    const QString line = u"<th>1</th><td><span class=\"x\">2.5</span></td><th>2"_s;
    const std::vector<Replacement> breakFirst = {{u"<th>"_s, u"<th>\r\n"_s},
                                                 {u"\""_s, u""_s},
                                                 {u"<span class=x>"_s, u""_s},
                                                 {u"</span>"_s, u""_s},
                                                 {u"<th>"_s, u""_s}};
    EXPECT_EQ(replaceInOrder(line, breakFirst), u"\r\n1</th><td>2.5</td>\r\n2"_s);

    // The same replacements the other way round: the span is not found while its quotes stand.
    std::vector<Replacement> reversed(breakFirst.rbegin(), breakFirst.rend());
    EXPECT_EQ(replaceInOrder(line, reversed), u"1</th><td><span class=x>2.5</td>2"_s);

    // Exact letter case, every occurrence, nothing rescanned.
    EXPECT_EQ(replaceInOrder(u"aAaa"_s, std::vector<Replacement>{{u"a"_s, u"aa"_s}}), u"aaAaaaa"_s);
    EXPECT_EQ(replaceInOrder(u"abc"_s, {}), u"abc"_s);
}

TEST(WorkFile, WritesAQuotedOrAPlainRecordByteForByte)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(u"tmp2.txt"_s);
    writeBytes(path, "an older and much longer work file\r\n");

    WorkFile quoted(path);
    quoted.addQuoted(u"\r\n1</th><td>2.5\r\n2</th><td>－"_s);
    ASSERT_TRUE(quoted.write().ok());
    EXPECT_EQ(readBytes(path), "\"\r\n1</th><td>2.5\r\n2</th><td>" + toCp932(u"－"_s) + "\"\r\n");

    WorkFile plain(path);
    plain.addLine(u"<p>馬単</p>"_s);
    plain.addLine(QString());
    plain.addLine(u"<tbody><tr> "_s);
    ASSERT_TRUE(plain.write().ok());
    EXPECT_EQ(readBytes(path), toCp932(u"<p>馬単</p>"_s) + "\r\n\r\n<tbody><tr> \r\n");
}

TEST(WorkFile, ReadsBackLineByLineKeepingTheLastLinePastTheEnd)
{
    QTemporaryDir dir;
    WorkFile file(dir.filePath(u"tmp2.txt"_s));
    EXPECT_EQ(file.readBack().lineCount(), 0); // no file yet
    file.addQuoted(u"first\r\n1</th><td>2.5"_s);
    file.addLine(u"last"_s);
    ASSERT_TRUE(file.write().ok());
    // What was written is read back, not what another program put in the file since.
    writeBytes(file.path(), "\"replaced\"\r\n");

    PageReader reader = file.readBack();
    QString line;
    const QStringList expected = {u"\"first"_s, u"1</th><td>2.5\""_s, u"last"_s};
    for (const QString& want : expected) {
        SCOPED_TRACE(want.toStdString());
        ASSERT_TRUE(reader.readLine(line));
        EXPECT_EQ(line, want);
    }
    EXPECT_FALSE(reader.readLine(line));
    EXPECT_EQ(line, u"last"_s);
}

TEST(WorkFile, AWriteThatFailsSaysSoAndLeavesNoWorkFile)
{
    QTemporaryDir dir;
    WorkFile file(dir.filePath(u"no such folder/tmp2.txt"_s));
    file.addLine(u"x"_s);
    const Outcome written = file.write();
    EXPECT_FALSE(written.ok());
    EXPECT_TRUE(written.error.contains(u"tmp2.txt"_s));
    EXPECT_EQ(file.readBack().lineCount(), 0);
}
