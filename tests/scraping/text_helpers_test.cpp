// The text cutting helpers: the marker cut, the page reader and the statement skipping.
#include "scraping/text_helpers.h"

#include <gtest/gtest.h>

#include "foundation/form_state.h"
#include "foundation/grid_model.h"
#include "scraping/attempt.h"
#include "scraping/page_reader.h"
#include "support/files.h"

using namespace kazeyomi;
using namespace Qt::StringLiterals;

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
    } rows[] = {
        {3, 12, 7, "12-7-3"}, {5, 5, 2, "5-5-2"}, {1, 2, 3, "3-2-1"}, {16, 15, 14, "16-15-14"}, {2, 5, 5, "5-5-2"}};
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

    PageReader scan(u"a\r\nb\r\nmark\r\nc"_s);
    line.clear();
    EXPECT_TRUE(scan.readUntil(line, u"mark"_s));
    EXPECT_TRUE(scan.readUntil(line, u"mark"_s)); // the line in hand is tested first
    EXPECT_FALSE(scan.readUntil(line, u"none"_s));
    EXPECT_EQ(line, u"c"_s);
}
