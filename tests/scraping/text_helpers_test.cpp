#include "scraping/text_helpers.h"

#include <gtest/gtest.h>

#include "scraping/page_reader.h"

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
