#include "fetch/nesting_guard.h"

#include <gtest/gtest.h>

using namespace kazeyomi;
using namespace Qt::StringLiterals;

TEST(NestingGuard, CountsOnlyElementsThatStayOpen)
{
    const struct {
        const char* name;
        QString html;
        int depth;
    } rows[] = {
        {"closed divs", u"<div><div><span>x</span></div></div>"_s, 3},
        {"unclosed cells and paragraphs", u"<table><tr><td>1<td>2<tr><td>3</table><p>a<p>b<br>"_s, 1},
        {"comment ignored", u"<div><!-- <div><div> --></div>"_s, 1},
        {"less-than in text", u"<b>1 < 2</b> a<b"_s, 1},
        {"end tags never go below zero", u"</div></div><i>x</i>"_s, 1},
        {"an end tag that matches nothing is ignored", u"<div></x><div></x>"_s, 2},
        {"an end tag behind a special element is ignored", u"<span><div></span><span>"_s, 3},
        {"a special end tag closes what is inside", u"<div><span></div><i><i><i>"_s, 3},
        {"no end tag across a table", u"<div><table></div><div>"_s, 3},
        {"markup in attribute values is not markup", u"<div title='</div>' a=\"<div>\"><i>"_s, 2},
        {"an unquoted value with a quote in it", u"<div a=x\"y><i></i>\"<b>"_s, 2},
        {"markup in raw text is text", u"<div><div><style></div></style><div><textarea></div></textarea><div>"_s, 4},
        {"a raw text end tag needs its own name", u"<div><title></titlex></div></title>"_s, 2},
        {"short comments end at once", u"<!--><div><!---><div><!-- --!><div>-->"_s, 3},
        {"bogus comments swallow end tags", u"<div><!x </div>><? </div>></ </div>"_s, 1},
        {"tag names are whole and ASCII-lowercased", u"<divx></div><DIVİ></divi̇>"_s, 2},
        {"a tag the text ends in does not count", u"<div><div"_s, 1},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.name);
        EXPECT_EQ(estimatedNestingDepth(r.html), r.depth);
    }
}
