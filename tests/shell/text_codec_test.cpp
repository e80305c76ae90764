#include "shell/text_codec.h"

#include <gtest/gtest.h>

using namespace kazeyomi;
using namespace Qt::StringLiterals;

TEST(Cp932, EncodesTheCharactersThatDifferFromPlainShiftJis)
{
    const struct {
        const char* name;
        QString text;
        QByteArray bytes;
    } rows[] = {
        {"full-width minus", u"－"_s, "\x81\x7C"},
        {"wave dash", u"～"_s, "\x81\x60"},
        {"full-width one", u"１"_s, "\x82\x50"},
        {"venue name", u"大井"_s, "\x91\xE5\x88\xE4"},
        {"circled one (NEC row 13)", u"①"_s, "\x87\x40"},
        {"ascii stays", u"a-1 \"x\""_s, "a-1 \"x\""},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.name);
        EXPECT_EQ(toCp932(r.text), r.bytes);
        EXPECT_EQ(fromCp932(r.bytes), r.text);
    }
}

TEST(Cp932, WritesAQuestionMarkForEachCharacterTheCodePageLacks)
{
    EXPECT_EQ(toCp932(u"a\u00e9b"_s), QByteArray("a?b"));
    EXPECT_EQ(toCp932(u"x\U0001F600y大"_s), QByteArray("x?y\x91\xE5"));
}
