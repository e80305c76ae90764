#include "fetch/page_charset.h"

#include <gtest/gtest.h>

#include "fetch/html_renderer.h"
#include "foundation/text_codec.h"
#include "session/settings.h"
#include "support/files.h"

using namespace kazeyomi;
using namespace Qt::StringLiterals;

TEST(PageCharset, TakesMarkThenHeaderThenMetaThenCp932AndDecodes)
{
    for (const QStringList& r : test::dataRows(u"page_charsets.tsv"_s)) {
        SCOPED_TRACE(r[0].toStdString());
        const QByteArray body = QByteArray::fromPercentEncoding(r[1].toLatin1());
        if (r[3] != u"-"_s) {
            EXPECT_EQ(detectCharset(body, r[2].toLatin1()), r[3].toLatin1());
        }
        if (r[4] != u"-"_s) {
            EXPECT_EQ(decodePage(body, r[2].toLatin1()), r[4]);
        }
    }
    // A meta past the first 1024 bytes, or cut by that limit, is not looked at.
    for (const qsizetype blanks : {1100, 1010})
        EXPECT_EQ(detectCharset(QByteArray(blanks, ' ') + "<meta charset=utf-8>", ""), "CP932") << blanks;
}

TEST(PageCharset, ShiftJisAndUtf8CopiesOfAPageRenderAlike)
{
    const QString page = u"<html><head><meta http-equiv=\"Content-Type\" content=\"text/html; charset=%1\">"
                         u"</head><body>\r\n<table border=1>\r\n<tr><td class=dbdata nowrap>①大井&nbsp;11R</td>"
                         u"<td>～1,234円</td></tr>\r\n</table>\r\n</body></html>"_s;
    const QByteArray sjis = toCp932(page.arg(u"Shift_JIS"_s));
    const QByteArray utf8 = page.arg(u"UTF-8"_s).toUtf8();
    ASSERT_NE(sjis, utf8);

    const QString expected = u"\n<TABLE border=1>\n<TBODY><TR><TD class=dbdata noWrap>①大井&nbsp;11R</TD>"
                             u"<TD>～1,234円</TD></TR>\n</TBODY></TABLE>\n"_s;
    EXPECT_EQ(renderBody(decodePage(sjis, "text/html"), MarkupStyle::Legacy), expected);
    EXPECT_EQ(renderBody(decodePage(utf8, "text/html"), MarkupStyle::Legacy), expected);
}
