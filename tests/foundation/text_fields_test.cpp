#include "foundation/text_fields.h"

#include <gtest/gtest.h>

using namespace kazeyomi;
using namespace Qt::StringLiterals;

TEST(TrimSpaces, TakesOffBlanksOnlyAndKeepsOtherWhiteSpace)
{
    const struct {
        const char* name;
        QString in;
        QString out;
    } rows[] = {
        {"both ends", u"  2.3 "_s, u"2.3"_s},
        {"only blanks", u"   "_s, QString()},
        {"inner blanks stay", u" 1 2 "_s, u"1 2"_s},
        {"tab and line end stay", u"\t2.3\r\n"_s, u"\t2.3\r\n"_s},
        {"ideographic space stays", u"　大井 "_s, u"　大井"_s},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.name);
        EXPECT_EQ(trimSpaces(r.in), r.out);
    }
}

TEST(SplitLines, EndsLinesAtCrLfOrALoneCrOnly)
{
    const struct {
        const char* name;
        QString text;
        QStringList lines;
    } rows[] = {
        {"CR LF", u"a\r\nb\r\n"_s, {u"a"_s, u"b"_s}},
        {"lone CR", u"a\rb"_s, {u"a"_s, u"b"_s}},
        {"lone LF stays inside", u"a\nb\r\n"_s, {u"a\nb"_s}},
        {"empty lines kept", u"\r\n\r\nx"_s, {QString(), QString(), u"x"_s}},
        {"no last empty line", u"x\r"_s, {u"x"_s}},
        {"empty text", QString(), {}},
        {"CR CR LF is an empty line", u"a\r\r\nb"_s, {u"a"_s, QString(), u"b"_s}},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.name);
        EXPECT_EQ(splitLines(r.text), r.lines);
    }
}
