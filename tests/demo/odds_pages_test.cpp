#include "demo/odds_pages.h"

#include <QRegularExpression>
#include <QStringList>

#include <gtest/gtest.h>

using namespace kazeyomi;
using namespace Qt::StringLiterals;

TEST(WinPlacePage, PutsOneRowspanFrameCellOnTheFirstHorseOfEachFrame)
{
    const struct {
        const char* name;
        int runners;
        QStringList frames;
    } rows[] = {
        {"8 runners, one a frame",
         8,
         {u"1x1@1"_s, u"2x1@2"_s, u"3x1@3"_s, u"4x1@4"_s, u"5x1@5"_s, u"6x1@6"_s, u"7x1@7"_s, u"8x1@8"_s}},
        {"9 runners, the last frame doubled",
         9,
         {u"1x1@1"_s, u"2x1@2"_s, u"3x1@3"_s, u"4x1@4"_s, u"5x1@5"_s, u"6x1@6"_s, u"7x1@7"_s, u"8x2@8"_s}},
        {"12 runners",
         12,
         {u"1x1@1"_s, u"2x1@2"_s, u"3x1@3"_s, u"4x1@4"_s, u"5x2@5"_s, u"6x2@7"_s, u"7x2@9"_s, u"8x2@11"_s}},
        {"16 runners, two a frame",
         16,
         {u"1x2@1"_s, u"2x2@3"_s, u"3x2@5"_s, u"4x2@7"_s, u"5x2@9"_s, u"6x2@11"_s, u"7x2@13"_s, u"8x2@15"_s}},
    };
    // The frame cell sits alone on the line between <tr> and the horse number.
    const QRegularExpression frameCell(u"<tr>\n<td class=\"waku(\\d)\" rowspan=\"(\\d)\">\\1</td>\n<td>(\\d+)</td>"_s);
    for (const auto& r : rows) {
        SCOPED_TRACE(r.name);
        WinPlacePage page;
        page.runners = sampleRunners(r.runners);
        const QString html = QString::fromUtf8(winPlacePage(page));
        QStringList found;
        for (const auto& m : frameCell.globalMatch(html))
            found << m.captured(1) + u"x"_s + m.captured(2) + u"@"_s + m.captured(3);
        EXPECT_EQ(found, r.frames);
        EXPECT_EQ(html.count(u"<td class=\"odds-tan\">"_s), r.runners);
    }
}
