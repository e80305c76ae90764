#include "fetch/html_renderer.h"

#include <gtest/gtest.h>

#include "fetch/nesting_guard.h"

#include "session/settings.h"
#include "support/files.h"

using namespace kazeyomi;
using namespace Qt::StringLiterals;

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
        EXPECT_EQ(estimatedNestingDepth(r[1]), r[2].toInt());
    }
}
