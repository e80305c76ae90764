#include "foundation/free_format_reader.h"

#include <QStringList>

#include <gtest/gtest.h>

using namespace kazeyomi;
using namespace Qt::StringLiterals;

namespace {

QStringList fieldsOf(const QString& text, FreeFormatReader::TrailingBlanks trailing)
{
    FreeFormatReader reader(text, trailing);
    QStringList fields;
    QString field;
    while (reader.next(field))
        fields << field;
    return fields;
}

} // namespace

TEST(FreeFormatReader, ReadsFieldsAsTheListReaderOfTheCompanionFilesDoes)
{
    using Blanks = FreeFormatReader::TrailingBlanks;
    const struct {
        const char* name;
        QString text;
        Blanks trailing;
        QStringList fields;
    } rows[] = {
        {"commas and line ends separate", u"a,b\r\nc\nd"_s, Blanks::Drop, {u"a"_s, u"b"_s, u"c"_s, u"d"_s}},
        {"blank lines hold no field", u"a\r\n\r\n  \r\n\nb\r\n\r\n"_s, Blanks::Drop, {u"a"_s, u"b"_s}},
        {"unquoted: blanks around dropped", u"  oi  ,\t12\t,x \r\n"_s, Blanks::Drop, {u"oi"_s, u"12"_s, u"x"_s}},
        {"unquoted: inner blanks kept", u"第５回 大井 15:10 ,b"_s, Blanks::Drop, {u"第５回 大井 15:10"_s, u"b"_s}},
        {"quoted: blanks inside kept", u"\" 15:10 \" ,\"a,b\""_s, Blanks::Drop, {u" 15:10 "_s, u"a,b"_s}},
        {"empty fields", u"a,,b,"_s, Blanks::Drop, {u"a"_s, QString(), u"b"_s}},
        {"a field of blanks is empty", u"a,   ,b"_s, Blanks::Drop, {u"a"_s, QString(), u"b"_s}},
        {"keep: trailing blanks stay", u"  1.2     \r\n"_s, Blanks::Keep, {u"1.2     "_s}},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.name);
        EXPECT_EQ(fieldsOf(r.text, r.trailing), r.fields);
    }
}

TEST(FreeFormatReader, GivesTheLineAFieldStartsOn)
{
    FreeFormatReader reader(u"a,b\r\n\r\n\"x\ny\",c\nd"_s, FreeFormatReader::TrailingBlanks::Drop);
    QString field;
    int line = 0;
    const int expected[] = {1, 1, 3, 4, 5};
    for (int want : expected) {
        ASSERT_TRUE(reader.next(field, &line));
        EXPECT_EQ(line, want) << field.toStdString();
    }
    EXPECT_FALSE(reader.next(field));
}
