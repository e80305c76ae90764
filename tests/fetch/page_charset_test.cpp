#include "fetch/page_charset.h"

#include <gtest/gtest.h>

#include "fetch/html_renderer.h"
#include "foundation/text_codec.h"
#include "session/settings.h"

using namespace kazeyomi;
using namespace Qt::StringLiterals;

TEST(PageCharset, TakesMarkThenHeaderThenMetaThenCp932)
{
    const QByteArray farMeta = QByteArray(1100, ' ') + "<meta charset=utf-8>";
    const QByteArray cutMeta = QByteArray(1010, ' ') + "<meta charset=utf-8>";
    const struct {
        const char* name;
        QByteArray body;
        QByteArray header;
        QByteArray charset;
    } rows[] = {
        {"utf-8 mark beats header and meta", "\xEF\xBB\xBF<meta charset=euc-jp>", "text/html; charset=Shift_JIS",
         "UTF-8"},
        {"utf-16le mark", QByteArray("\xFF\xFE<\0", 4), "text/html; charset=EUC-JP", "UTF-16LE"},
        {"utf-16be mark", QByteArray("\xFE\xFF\0<", 4), "", "UTF-16BE"},
        {"header beats meta", "<meta charset=\"utf-8\">", "text/html; charset=EUC-JP", "EUC-JP"},
        {"quoted header value in any case", "", "text/html; Charset=\"ISO-2022-JP\"", "ISO-2022-JP"},
        {"meta charset", "<html><head><meta charset='euc-jp'>", "text/html", "EUC-JP"},
        {"meta http-equiv", "<META HTTP-EQUIV=\"Content-Type\" CONTENT=\"text/html; charset=x-sjis\">", "", "CP932"},
        {"content without http-equiv", "<meta content=\"text/html; charset=utf-8\">", "", "CP932"},
        {"first usable meta wins", "<meta charset=bogus><meta charset=utf-8><meta charset=euc-jp>", "", "UTF-8"},
        {"meta in a comment", "<!-- <meta charset=euc-jp> --><meta charset=utf-8>", "", "UTF-8"},
        {"meta in another tag's value", "<div title=\"<meta charset=utf-8>\"><meta charset=euc-jp>", "", "EUC-JP"},
        {"meta past 1024 bytes", farMeta, "", "CP932"},
        {"meta cut at 1024 bytes", cutMeta, "", "CP932"},
        {"unknown header name, meta used", "<meta charset=utf-8>", "text/html; charset=x-bogus", "UTF-8"},
        {"unknown names everywhere", "<meta charset=x-bogus>", "text/html; charset=locale", "CP932"},
        {"nothing declared", "<html><body>大井</body></html>", "", "CP932"},
        {"windows-31j", "", "text/html; charset=Windows-31J", "CP932"},
        {"shift-jis", "<meta charset=shift-jis>", "", "CP932"},
        {"MS932", "", "text/html;charset=MS932", "CP932"},
        {"utf-16 named in meta", "<meta charset=\"utf-16\">", "", "UTF-8"},
        {"latin-1 read as windows-1252", "", "text/html; charset=iso-8859-1", "windows-1252"},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.name);
        EXPECT_EQ(detectCharset(r.body, r.header), r.charset);
    }
}

TEST(PageCharset, DecodesEachCharset)
{
    const struct {
        const char* name;
        QByteArray body;
        QByteArray header;
        QString text;
    } rows[] = {
        {"utf-8 mark removed", "\xEF\xBB\xBF\xE5\xA4\xA7\xE4\xBA\x95", "", u"大井"_s},
        {"utf-16le mark removed", QByteArray("\xFF\xFE\x27\x59\x95\x4E", 6), "", u"大井"_s},
        {"euc-jp", "\xC2\xE7\xB0\xE6", "text/html; charset=EUC-JP", u"大井"_s},
        {"iso-2022-jp", "\x1B$BBg0f\x1B(B", "text/html; charset=iso-2022-jp", u"大井"_s},
        {"Shift_JIS read with the Windows table", "\x81\x60\x87\x40", "text/html; charset=Shift_JIS", u"～①"_s},
        {"unknown name read as CP932", "\x91\xE5\x88\xE4", "text/html; charset=x-bogus", u"大井"_s},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.name);
        EXPECT_EQ(decodePage(r.body, r.header), r.text);
    }
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
