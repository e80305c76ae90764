// The text of the files: CP932 bytes, fixed-width fields and lines.
#include "foundation/fixed_fields.h"

#include <QStringEncoder>

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
            // Appended straight into a line: the cell's blanks go, the field is cut or padded.
            for (int width : {8, 4, 20}) {
                QString line = u"x"_s;
                appendOneDecimalField(line, u"  "_s + r[2] + u' ', width);
                EXPECT_EQ(line, u"x"_s + rightField(r[3], width)) << width;
            }
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

TEST(Cp932, EncodesTheCharactersThatDifferFromPlainShiftJis)
{
    const struct {
        const char* name;
        QString text;
        QByteArray bytes;
    } rows[] = {
        {"full-width minus", u"－"_s, "\x81\x7C"},        {"wave dash", u"～"_s, "\x81\x60"},
        {"full-width one", u"１"_s, "\x82\x50"},          {"venue name", u"大井"_s, "\x91\xE5\x88\xE4"},
        {"circled one (NEC row 13)", u"①"_s, "\x87\x40"}, {"ascii stays", u"a-1 \"x\""_s, "a-1 \"x\""},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.name);
        EXPECT_EQ(toCp932(r.text), r.bytes);
        EXPECT_EQ(fromCp932(r.bytes), r.text);
    }
}

TEST(Cp932, WritesAQuestionMarkForEachCharacterTheCodePageLacks)
{
    const QString ab = QString(255, u'a');
    const QString oi = QString(300, u'大'); // a run longer than the converter's chunk
    const QByteArray oiBytes = QByteArray("\x91\xE5").repeated(300);
    const struct {
        const char* name;
        QString text;
        QByteArray bytes;
    } rows[] = {
        {"accented letter", u"a\u00e9b"_s, "a?b"},
        {"emoji (a surrogate pair)", u"x\U0001F600y大"_s, "x?y\x91\xE5"},
        {"soft hyphen, which the converter drops silently", u"a\u00adb"_s, "a?b"},
        {"variation selector", u"大\ufe0f"_s, "\x91\xE5?"},
        {"lone low surrogate", u"a"_s + QChar(0xDC00) + u"b"_s, "a?b"},
        {"high surrogate before a letter takes the letter", u"a"_s + QChar(0xD800) + u"b"_s, "a?"},
        {"high surrogate at the end gives nothing", u"a\u00e9"_s + QChar(0xD800), "a?"},
        {"high surrogate takes a high surrogate, the letter after stays",
         u"a"_s + QChar(0xDBFF) + QChar(0xD800) + u"b"_s, "a?b"},
        {"missing character on a chunk edge", ab + u"\u00e9\u00e9b"_s, ab.toLatin1() + "??b"},
        {"pair across a chunk edge", ab + u"\U0001F600大"_s, ab.toLatin1() + "?\x91\xE5"},
        {"every character missing", u"\u00e9\u00e8\u00ea"_s, "???"},
        {"missing character inside a long run", oi + u"\u00e9"_s + oi, oiBytes + "?" + oiBytes},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.name);
        EXPECT_EQ(toCp932(r.text), r.bytes);
    }
}

// The text of a page stands for what its file reads back as only when every character comes back.
TEST(Cp932, RoundTripIsKnownWithoutWritingTheFile)
{
    QString ascii;
    for (char16_t c = 0; c < 0x80; ++c)
        ascii += QChar(c);
    const QString samples[] = {
        ascii,          u"大井 1R 単勝 －"_s, u"①Ⅱ㈱∵≒"_s,    u"a\u00e9b"_s,
        u"\u00a5100"_s, u"x\U0001F600y"_s,    u"~\\\u203e"_s, u"\u2015\u2014\uff5e\u301c"_s,
    };
    for (const QString& text : samples) {
        SCOPED_TRACE(text.toStdString());
        const bool comesBack = fromCp932(toCp932(text)) == text;
        EXPECT_EQ(roundTripsCp932(text), comesBack);
        bool toldInTheSamePass = !comesBack;
        EXPECT_EQ(toCp932(text, toldInTheSamePass), toCp932(text));
        EXPECT_EQ(toldInTheSamePass, comesBack);
    }
    EXPECT_TRUE(roundTripsCp932(ascii));
#ifndef Q_OS_WIN
    // Printable ASCII goes around ICU's converter; the converter agrees, on the control
    // characters it moves too. (Windows' code page keeps all of ASCII as it is.)
    QStringEncoder icu("CP932");
    const QByteArray converted = icu.encode(ascii);
    EXPECT_EQ(toCp932(ascii), converted);
    EXPECT_EQ(toCp932(ascii + u"大"_s + ascii), converted + "\x91\xE5" + converted);
#endif
    EXPECT_EQ(toCp932(u"!~"_s), "!~");
    EXPECT_FALSE(roundTripsCp932(u"a\u00e9b"_s));
}
