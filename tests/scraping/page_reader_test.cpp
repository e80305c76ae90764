#include "scraping/page_reader.h"

#include <gtest/gtest.h>

using namespace kazeyomi;
using namespace Qt::StringLiterals;

TEST(PageReader, KeepsTheLineInHandWhenAReadPassesTheEnd)
{
    PageReader page(u"one\r\ntwo\rthree\nstill three\r\n"_s);
    QString line;
    EXPECT_TRUE(page.readLine(line));
    EXPECT_TRUE(page.skip(line, 2));
    EXPECT_EQ(line, u"three\nstill three"_s);
    EXPECT_TRUE(page.atEnd());
    EXPECT_FALSE(page.passedEnd());
    EXPECT_FALSE(page.readLine(line));
    EXPECT_EQ(line, u"three\nstill three"_s);
    EXPECT_TRUE(page.passedEnd());

    PageReader scan(u"a\r\nb\r\nmark\r\nc"_s);
    line.clear();
    EXPECT_TRUE(scan.readUntil(line, u"mark"_s));
    EXPECT_TRUE(scan.readUntil(line, u"mark"_s)); // the line in hand is tested first
    EXPECT_FALSE(scan.readUntil(line, u"none"_s));
    EXPECT_EQ(line, u"c"_s);
}
