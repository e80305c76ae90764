#include "fetch/nesting_guard.h"

#include <gtest/gtest.h>

#include "support/files.h"

using namespace kazeyomi;
using namespace Qt::StringLiterals;

TEST(NestingGuard, CountsOnlyElementsThatStayOpen)
{
    for (const QStringList& r : test::dataRows(u"nesting_depth.tsv"_s)) {
        SCOPED_TRACE(r[0].toStdString());
        EXPECT_EQ(estimatedNestingDepth(r[1]), r[2].toInt());
    }
}
