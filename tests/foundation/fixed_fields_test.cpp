#include "foundation/fixed_fields.h"

#include <gtest/gtest.h>

#include "foundation/text_codec.h"
#include "foundation/text_fields.h"
#include "support/files.h"

using namespace kazeyomi;
using namespace Qt::StringLiterals;

// The fields as the files carry them: CP932 bytes, so a width that counted bytes shows here.
TEST(FixedFields, RightAlignedAndOneDecimalFieldsByteForByte)
{
    for (const QStringList& r : test::dataRows(u"fixed_fields.tsv"_s)) {
        SCOPED_TRACE(r[1].toStdString());
        if (r[0] == u"right"_s) {
            EXPECT_EQ(toCp932(rightField(r[2], r[3].toInt())), toCp932(r[4]));
        } else {
            EXPECT_EQ(formatOneDecimal(r[2]), r[3]);
        }
    }
    EXPECT_EQ(rightField(formatOneDecimal(u"1,234,567"_s), 8), u"234567.0"_s);
}

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
