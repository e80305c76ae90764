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
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.name);
        EXPECT_EQ(estimatedNestingDepth(r.html), r.depth);
    }
}
