#include "fetch/html_renderer.h"

#include <gtest/gtest.h>

#include "session/settings.h"

using namespace kazeyomi;
using namespace Qt::StringLiterals;

namespace {

struct Row {
    const char* name;
    QString html;
    QString modern;
    QString legacy;
};

// As UTF-8, so a failure shows the markup rather than a list of code units.
std::string render(const QString& html, MarkupStyle style)
{
    return renderBody(html, style).toStdString();
}

void expectBothStyles(const Row& r)
{
    SCOPED_TRACE(r.name);
    EXPECT_EQ(render(r.html, MarkupStyle::Modern), r.modern.toStdString());
    EXPECT_EQ(render(r.html, MarkupStyle::Legacy), r.legacy.toStdString());
}

} // namespace

TEST(RenderBody, WritesTagsAndAttributesAsEachBrowserDid)
{
    const Row rows[] = {
        {"cell flags in source order", u"<table><tr><td class=\"dbdata\" NOWRAP>1</td></tr></table>"_s,
         u"<table><tbody><tr><td class=\"dbdata\" nowrap=\"\">1</td></tr></tbody></table>"_s,
         u"<TABLE><TBODY><TR><TD class=dbdata noWrap>1</TD></TR></TBODY></TABLE>"_s},
        {"signed size stays bare", u"<b><font size=\"+1\">大井</font></b>"_s, u"<b><font size=\"+1\">大井</font></b>"_s,
         u"<B><FONT size=+1>大井</FONT></B>"_s},
        {"mixed-case names and quoting",
         u"<TABLE CELLPADDING=2 BgColor=\"#FFFFFF\" width=\"100%\" summary=\"\"><TR VALIGN=top>"
         u"<TD COLSPAN=2 rowspan='3' style=\"color: red\">x</TD></TR></TABLE>"_s,
         u"<table cellpadding=\"2\" bgcolor=\"#FFFFFF\" width=\"100%\" summary=\"\"><tbody><tr valign=\"top\">"
         u"<td colspan=\"2\" rowspan=\"3\" style=\"color: red\">x</td></tr></tbody></table>"_s,
         u"<TABLE cellPadding=2 bgColor=#FFFFFF width=\"100%\" summary><TBODY><TR vAlign=top>"
         u"<TD colSpan=2 rowSpan=3 style=\"color: red\">x</TD></TR></TBODY></TABLE>"_s},
        {"ampersand, quote and no-break space in values",
         u"<a href=\"odds.php?r=11&amp;t=3\" title='say \"hi\"' name=\"a&nbsp;b\">x</a>"_s,
         u"<a href=\"odds.php?r=11&amp;t=3\" title=\"say &quot;hi&quot;\" name=\"a&nbsp;b\">x</a>"_s,
         u"<A href=\"odds.php?r=11&amp;t=3\" title=\"say &quot;hi&quot;\" name=\"a\u00a0b\">x</A>"_s},
        {"form fields", u"<input type=text READONLY maxlength=4 tabindex=1 accesskey=s value=\"\">"_s,
         u"<input type=\"text\" readonly=\"\" maxlength=\"4\" tabindex=\"1\" accesskey=\"s\" value=\"\">"_s,
         u"<INPUT type=text readOnly maxLength=4 tabIndex=1 accessKey=s value>"_s},
        {"void elements have no end tag", u"a<br>b<br/>c</br>d<hr><img src=\"img/1.gif\" alt=\"\"><wbr>"_s,
         u"a<br>b<br>c<br>d<hr><img src=\"img/1.gif\" alt=\"\"><wbr>"_s,
         u"a<BR>b<BR>c<BR>d<HR><IMG src=img/1.gif alt><WBR>"_s},
        {"unknown element", u"<Sscript type=\"text/javascript\">var a = 1 < 2;</Sscript>"_s,
         u"<sscript type=\"text/javascript\">var a = 1 &lt; 2;</sscript>"_s,
         u"<SSCRIPT type=text/javascript>var a = 1 &lt; 2;</SSCRIPT>"_s},
        {"script and style text unescaped",
         u"<body><script>if (a < b && c) d = \"<td>\";</script><style>td > b { color: red }</style>"_s,
         u"<script>if (a < b && c) d = \"<td>\";</script><style>td > b { color: red }</style>"_s,
         u"<SCRIPT>if (a < b && c) d = \"<td>\";</SCRIPT><STYLE>td > b { color: red }</STYLE>"_s},
        {"noscript text unescaped, its elements as parsed", u"<body><noscript>a &amp; b<br></noscript>c"_s,
         u"<noscript>a & b<br></noscript>c"_s, u"<NOSCRIPT>a & b<BR></NOSCRIPT>c"_s},
        {"textarea text escaped", u"<textarea>a<b &amp;</textarea>"_s, u"<textarea>a&lt;b &amp;</textarea>"_s,
         u"<TEXTAREA>a&lt;b &amp;</TEXTAREA>"_s},
        {"comment", u"<body><!-- 更新 12:00 -->x<!---->"_s, u"<!-- 更新 12:00 -->x<!---->"_s,
         u"<!-- 更新 12:00 -->x<!---->"_s},
        {"entities decoded then escaped again", u"1&lt;2 &amp; 3&gt;2&nbsp;&copy;&quot;&#x41;&unknown;"_s,
         u"1&lt;2 &amp; 3&gt;2&nbsp;©\"A&amp;unknown;"_s, u"1&lt;2 &amp; 3&gt;2&nbsp;©\"A&amp;unknown;"_s},
        {"svg keeps its camel case in modern", u"<svg viewBox=\"0 0 1 1\"><foreignObject/></svg>"_s,
         u"<svg viewBox=\"0 0 1 1\"><foreignObject></foreignObject></svg>"_s,
         u"<SVG viewbox=\"0 0 1 1\"><FOREIGNOBJECT></FOREIGNOBJECT></SVG>"_s},
    };
    for (const Row& r : rows)
        expectBothStyles(r);
}

TEST(RenderBody, BuildsTheTreeABrowserBuilds)
{
    const Row rows[] = {
        {"paragraphs inside a cell", u"<table><tr><td><p>a<p>b</td></tr></table>"_s,
         u"<table><tbody><tr><td><p>a</p><p>b</p></td></tr></tbody></table>"_s,
         u"<TABLE><TBODY><TR><TD><P>a</P><P>b</P></TD></TR></TBODY></TABLE>"_s},
        {"nested tables, cells closed by the parser", u"<table><tr><td>1<table><tr><td>in<td>2</table><td>3</table>"_s,
         u"<table><tbody><tr><td>1<table><tbody><tr><td>in</td><td>2</td></tr></tbody></table></td>"
         u"<td>3</td></tr></tbody></table>"_s,
         u"<TABLE><TBODY><TR><TD>1<TABLE><TBODY><TR><TD>in</TD><TD>2</TD></TR></TBODY></TABLE></TD>"
         u"<TD>3</TD></TR></TBODY></TABLE>"_s},
        {"stray text moved before the table", u"<table>x<tr><td>1</td></tr></table>"_s,
         u"x<table><tbody><tr><td>1</td></tr></tbody></table>"_s,
         u"x<TABLE><TBODY><TR><TD>1</TD></TR></TBODY></TABLE>"_s},
        {"head left out, text after the body kept",
         u"<html><head><title>t</title><script>h()</script></head><body bgcolor=white>本文</body></html>後"_s,
         u"本文後"_s, u"本文後"_s},
        {"page of frames", u"<frameset cols=\"50%,*\"><frame src=\"a.html\"></frameset>"_s, u"<frame src=\"a.html\">"_s,
         u"<FRAME src=a.html>"_s},
        {"empty page", u""_s, u""_s, u""_s},
    };
    for (const Row& r : rows)
        expectBothStyles(r);
}

TEST(RenderBody, KeepsTextAndLineBreaksExactly)
{
    const QString html = u"<body>\r\n<table>\r\n<tr>\r\n  <td nowrap>  1\t2  </td>\n</tr>\r</table>\r\n"
                         u"行1\r行2\r\n\r\n</body>\n</html>\n"_s;
    EXPECT_EQ(render(html, MarkupStyle::Legacy),
              "\n<TABLE>\n<TBODY><TR>\n  <TD noWrap>  1\t2  </TD>\n</TR>\n</TBODY></TABLE>\n行1\n行2\n\n\n\n");
}

TEST(RenderBody, SurvivesNestingDeeperThanTheCallStack)
{
    // span, because the parser takes time in the square of the depth for most other tags.
    const int depth = 200'000;
    const QString html = u"<span>"_s.repeated(depth) + u"x"_s;
    EXPECT_EQ(renderBody(html, MarkupStyle::Modern), html + u"</span>"_s.repeated(depth));
}
