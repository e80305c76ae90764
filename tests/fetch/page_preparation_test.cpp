// A fetched page made ready for the scrapers: its scripts renamed, its characters decoded and its
// body written back as each browser style wrote it.
#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include "fetch/file_replace.h"
#include "fetch/html_renderer.h"
#include "fetch/nesting_guard.h"
#include "fetch/page_charset.h"
#include "fetch/page_rendering.h"
#include "foundation/text_codec.h"
#include "session/settings.h"
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

// Tags, attributes, the tree a browser builds and the text between, as each browser wrote them.
TEST(RenderBody, WritesThePageAsEachBrowserDid)
{
    for (const QStringList& r : test::dataRows(u"render_body.tsv"_s)) {
        SCOPED_TRACE(r[0].toStdString());
        // As UTF-8, so a failure shows the markup rather than a list of code units.
        if (r[2] != u"-"_s) {
            EXPECT_EQ(renderBody(r[1], MarkupStyle::Modern).toStdString(), r[2].toStdString());
        }
        EXPECT_EQ(renderBody(r[1], MarkupStyle::Legacy).toStdString(), r[3].toStdString());
    }
}

TEST(RenderBody, SurvivesNestingDeeperThanTheCallStack)
{
    // span, because the parser takes time in the square of the depth for most other tags.
    const int depth = 200'000;
    const QString html = u"<span>"_s.repeated(depth) + u"x"_s;
    EXPECT_EQ(renderBody(html, MarkupStyle::Modern), html + u"</span>"_s.repeated(depth));
}

TEST(NestingGuard, CountsOnlyElementsThatStayOpen)
{
    for (const QStringList& r : test::dataRows(u"nesting_depth.tsv"_s)) {
        SCOPED_TRACE(r[0].toStdString());
        EXPECT_EQ(estimatedNestingDepth(r[1].toStdString()), r[2].toInt());
    }
}

// A UTF-8 page goes to the parser as its own bytes; whatever a decoder would change must take
// the long way, so that both ways give the same markup.
TEST(RenderPage, AUtf8PageRendersAsItsDecodedText)
{
    const struct {
        const char* name;
        QByteArray bytes;
    } rows[] = {
        {"plain Japanese", "大井 6R 3連単"},
        {"a byte order mark, and a second one in the text", "\xEF\xBB\xBF\xEF\xBB\xBFx"},
        {"a stray continuation byte", "a\x80z"},
        {"an overlong slash", "a\xC0\xAFz"},
        {"an encoded surrogate", "a\xED\xA0\x80z"},
        {"a noncharacter", "a\xEF\xBF\xBEz"},
        {"past the last code point", "a\xF4\x90\x80\x80z"},
        {"a sequence cut by the end", "a\xE5\xA4"},
        {"four bytes", "a\xF0\x9F\x98\x80z"},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.name);
        const QByteArray body = "<html><body><p>" + r.bytes;
        const QByteArray type = "text/html; charset=UTF-8";
        const RenderedPage page = renderPage(body, type, MarkupStyle::Modern);
        ASSERT_TRUE(page.ok());
        EXPECT_EQ(page.markup, renderBody(decodePage(body, type) + u"\r\n"_s, MarkupStyle::Modern));
    }
}

// The tables the layout watch reads: each cell's text trimmed of every kind of blank, its
// classes and those of everything inside, from the same parse as the markup.
TEST(RenderPage, ReadsEachCellsTrimmedTextAndClasses)
{
    const QByteArray body = "<html><body><h2>\xE3\x80\x80 odds </h2><table class=t><tr><th class=h>1</th>"
                            "<td>  12.3\t</td><td>\xC2\xA0 \xE5\xA4\xA7\xE4\xBA\x95\xE3\x80\x80</td>"
                            "<td class=a><span class=b> x </span> y <b>z</b></td><td> \n </td></tr></table>";
    const RenderedPage page = renderPage(body, "text/html; charset=UTF-8", MarkupStyle::Modern, true);
    ASSERT_EQ(page.tables.tables.size(), 1);
    const PageTable& table = page.tables.tables[0];
    EXPECT_EQ(table.heading, u"odds"_s);
    EXPECT_EQ(table.classes, u"t"_s);
    ASSERT_EQ(table.rows.size(), 1);
    const QList<TableCell>& cells = table.rows[0].cells;
    const struct {
        QString text;
        QString classes;
        bool header;
    } expected[] = {{u"1"_s, u"h"_s, true},
                    {u"12.3"_s, {}, false},
                    {u"大井"_s, {}, false},
                    {u"x  y z"_s, u"a b"_s, false},
                    {{}, {}, false}};
    ASSERT_EQ(cells.size(), std::size(expected));
    for (size_t i = 0; i < std::size(expected); ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(cells[qsizetype(i)].text(), expected[i].text);
        EXPECT_EQ(cells[qsizetype(i)].classes(), expected[i].classes);
        EXPECT_EQ(cells[qsizetype(i)].header, expected[i].header);
    }
}
