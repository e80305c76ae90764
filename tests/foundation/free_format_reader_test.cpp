#include "foundation/free_format_reader.h"

#include <QStringList>

#include <gtest/gtest.h>

#include "support/files.h"

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
    for (const QStringList& r : test::dataRows(u"free_format_fields.tsv"_s)) {
        SCOPED_TRACE(r[0].toStdString());
        EXPECT_EQ(fieldsOf(r[1], r[2] == u"keep"_s ? Blanks::Keep : Blanks::Drop), r.mid(3));
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
