#include "foundation/text_fields.h"

#include <gtest/gtest.h>

#include "support/files.h"

using namespace kazeyomi;
using namespace Qt::StringLiterals;

TEST(TextFields, TrimsBlanksOnlyAndEndsLinesAtCrLfOrALoneCr)
{
    for (const QStringList& r : test::dataRows(u"text_fields.tsv"_s)) {
        SCOPED_TRACE(r[1].toStdString());
        if (r[0] == u"trim"_s) {
            EXPECT_EQ(trimSpaces(r[2]), r[3]);
        } else {
            EXPECT_EQ(splitLines(r[2]), r.mid(3));
        }
    }
}
