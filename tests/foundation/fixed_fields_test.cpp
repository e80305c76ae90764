#include "foundation/fixed_fields.h"

#include <gtest/gtest.h>

#include "foundation/text_codec.h"

using namespace kazeyomi;
using namespace Qt::StringLiterals;

// The fields as the files carry them: CP932 bytes, so a width that counted bytes shows here.
TEST(RightField, AlignsRightAndKeepsTheLastCharactersByteForByte)
{
    const struct {
        const char* name;
        QString text;
        int width;
        QByteArray bytes;
    } rows[] = {
        {"short odds", u"2.3"_s, 8, "     2.3"},
        {"exactly the width", u"12345678"_s, 8, "12345678"},
        {"long text loses its leading characters", u"123456789"_s, 8, "23456789"},
        {"empty is all blanks", QString(), 8, "        "},
        {"result field of 12", u"150円"_s, 12, "        150\x89\x7E"},
        {"Japanese counts characters, not bytes", u"カゼヨミ"_s, 8, "    \x83\x4A\x83\x5B\x83\x88\x83\x7E"},
        {"long horse name keeps its last 12", u"アイウエオカキクケコサシスセ"_s, 12,
         toCp932(u"ウエオカキクケコサシスセ"_s)},
        {"wider than the 13 blanks: only 13 in front", u"1"_s, 16, "             1"},
        {"inner and trailing blanks kept", u"a b "_s, 6, "  a b "},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.name);
        EXPECT_EQ(toCp932(rightField(r.text, r.width)), r.bytes);
    }
}

TEST(FormatOneDecimal, ShowsNumbersWithOneDecimalAndKeepsOtherText)
{
    const struct {
        const char* name;
        const char* in;
        const char* out;
    } rows[] = {
        {"whole number", "12", "12.0"},
        {"one decimal stays", "2.3", "2.3"},
        {"three digits", "112.4", "112.4"},
        {"leading zeros go", "007", "7.0"},
        {"no digit before the point", ".5", "0.5"},
        {"thousands separator", "1,234.5", "1234.5"},
        {"two separators", "1,234,567", "1234567.0"},
        {"half rounds up", "2.25", "2.3"},
        {"below half rounds down", "2.24", "2.2"},
        {"rounding carries", "9.96", "10.0"},
        {"rounding carries twice", "99.95", "100.0"},
        {"negative", "-1.25", "-1.3"},
        {"negative zero loses its sign", "-0.04", "0.0"},
        {"point at the end", "1.", "1.0"},
        {"scratched horse", "***", "***"},
        {"empty stays empty", "", ""},
        {"misplaced separator is text", "1,23", "1,23"},
        {"Japanese text", "取消", "取消"},
        {"full-width digits are text", "１２", "１２"},
        {"lone point is text", ".", "."},
        {"blank inside is text", "1 2", "1 2"},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.name);
        EXPECT_EQ(formatOneDecimal(QString::fromUtf8(r.in)), QString::fromUtf8(r.out));
    }
}

TEST(FormatOneDecimal, GivesTheEightCharacterOddsFields)
{
    EXPECT_EQ(rightField(formatOneDecimal(u"12"_s), 8), u"    12.0"_s);
    EXPECT_EQ(rightField(formatOneDecimal(u"1,234,567"_s), 8), u"234567.0"_s);
    EXPECT_EQ(rightField(formatOneDecimal(u"***"_s), 8), u"     ***"_s);
}
