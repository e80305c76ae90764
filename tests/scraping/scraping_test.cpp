// What the scrapers share: the page cache text as each reads it, the work file some of them write
// from it, the marker cut, the page reader and the statement skipping.
#include "scraping/cached_page.h"

#include <vector>

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include "foundation/form_state.h"
#include "foundation/grid_model.h"
#include "foundation/text_codec.h"
#include "scraping/attempt.h"
#include "scraping/page_reader.h"
#include "scraping/text_helpers.h"
#include "scraping/work_file.h"
#include "support/files.h"
#include "support/race_fixture.h"

using namespace kazeyomi;
using namespace kazeyomi::test;
using namespace Qt::StringLiterals;

namespace {

const QString kUrl = u"https://site.test/odds/X01.do"_s;
const PageKind kExactaKind{u"馬単.txt"_s, 60};

class CachedPageTest : public RaceFixture {};

} // namespace

// A failed fetch leaves no copy of an older page; a fetch the program's end cuts short leaves the
// last copy as it was. (The copies of pages that came are checked with each scraper.)
TEST_F(CachedPageTest, ThePageCopyFollowsTheFetch)
{
    for (const bool ending : {false, true}) { // the end last: it stops the fetcher for good
        SCOPED_TRACE(ending ? "the program ending" : "a failed fetch");
        writeBytes(fetcher.path(u"馬単.txt"_s), "the last page");
        site.pages.clear();
        if (ending) {
            site.setPage(kUrl, "<html><body><p>" + QByteArray(80, 'x') + "</p></body></html>");
            fetcher.stop();
        }
        const CachedPage page = fetchCachedPage(fetcher, kUrl, kExactaKind);
        EXPECT_EQ(page.state, PageState::FetchFailed);
        EXPECT_FALSE(page.reason().isEmpty());
        EXPECT_EQ(QFile::exists(fetcher.path(u"馬単.txt"_s)), ending);
    }
}

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

// The work file is written a block of ASCII at a time and each other run of characters once:
// the bytes must be those of converting the whole text, whatever it holds, and it reads back as
// itself exactly when every character comes back.
TEST(WorkFile, EncodesAsTheWholeTextConverts)
{
    const QStringList pieces = {u"<td>1.5</td>"_s,
                                QString(40, u'a'),
                                u"\r\n"_s,
                                u"着"_s,
                                u"－"_s,
                                u"～"_s,
                                QString(QChar(0x1A)),
                                QString(QChar(0x7F)),
                                u"\t"_s,
                                QString(QChar(0xD83D)),
                                QString(QChar(0xDE00)),
                                u"😀"_s,
                                u"€"_s,
                                u"é"_s,
                                u"ｱ"_s};
    quint32 seed = 7;
    for (int i = 0; i < 600; ++i) {
        QString text;
        for (int k = 0; k <= i % 14; ++k) {
            seed = seed * 1664525u + 1013904223u;
            text += pieces[qsizetype(seed >> 16) % pieces.size()];
        }
        SCOPED_TRACE(text.toStdString());
        const WorkFile::Encoded encoded = WorkFile::encode(text);
        ASSERT_EQ(encoded.bytes, toCp932(text));
        ASSERT_EQ(encoded.roundTrips, roundTripsCp932(text));
    }
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

TEST(MojiGet, CutsBetweenTheFirstMarkersAndUpperCasesItsArguments)
{
    for (const QStringList& r : test::dataRows(u"moji_get.tsv"_s)) {
        SCOPED_TRACE(r[0].toStdString());
        QString line = r[1];
        QString start = r[2];
        QString end = r[3];
        EXPECT_EQ(Moji_get(line, start, end), r[4]);
        EXPECT_EQ(line, r[5]);
        EXPECT_EQ(start, upperAscii(r[2]));
        EXPECT_EQ(end, upperAscii(r[3]));
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
    } rows[] = {{3, 12, 7, "12-7-3"},     {5, 5, 2, "5-5-2"}, {1, 2, 3, "3-2-1"},
                {16, 15, 14, "16-15-14"}, {2, 5, 5, "5-5-2"}, {-32768, 0, 5, "5-0--32768"}};
    for (const auto& r : rows) {
        qint16 a = r.a, b = r.b, c = r.c;
        EXPECT_EQ(Trio_key(a, b, c), QString::fromLatin1(r.key));
        EXPECT_TRUE(a >= b && b >= c);
    }
}

TEST(Attempt, SkipsWhatThePageCanCauseButNotAMisspeltControl)
{
    FormState form;
    GridModel grid(u"VSFlexGrid3"_s, 2, 2);
    QString line = u"a[b]c"_s;
    QString target = u"kept"_s;

    EXPECT_FALSE(attempt([&] { target = Moji_get(line, u"]"_s, u"["_s); }));
    EXPECT_FALSE(attempt([&] { grid.setTextMatrix(5, 5, u"x"_s); }));
    EXPECT_EQ(target, u"kept"_s);
    EXPECT_TRUE(attempt([&] { grid.setTextMatrix(1, 1, u"x"_s); }));
    EXPECT_THROW(attempt([&] { form.setText(u"Text99"_s, u"x"_s); }), UnknownControl);
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

    // Read as views, the lines are the same.
    PageReader views(u"one\r\ntwo\rthree\nstill three\r\n"_s);
    QStringList seen;
    for (QStringView view; views.readLine(view);)
        seen << view.toString();
    EXPECT_EQ(seen, (QStringList{u"one"_s, u"two"_s, u"three\nstill three"_s}));
    EXPECT_EQ(views.lineCount(), 3);

    PageReader scan(u"a\r\nb\r\nmark\r\nc"_s);
    line.clear();
    EXPECT_TRUE(scan.readUntil(line, u"mark"_s));
    EXPECT_TRUE(scan.readUntil(line, u"mark"_s)); // the line in hand is tested first
    EXPECT_FALSE(scan.readUntil(line, u"none"_s));
    EXPECT_EQ(line, u"c"_s);
}
