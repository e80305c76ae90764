#include "odds/capture/pair_table.h"

#include <algorithm>

#include <gtest/gtest.h>

#include "foundation/grid_model.h"
#include "odds/capture/wide_scraper.h"

using namespace kazeyomi;
using namespace Qt::StringLiterals;

namespace {

TEST(OddsCellCut, CutsTheOddsOfOneCellLine)
{
    const struct {
        const char* name;
        QString line;
        std::optional<QString> cell;
    } rows[] = {
        {"middle cell", u"12</th><td>34.5"_s, u"34.5"_s},
        {"last cell of a table", u"16</th><td>99.9</td></tr></tbody></table>"_s, u"99.9"_s},
        {"scratched", u"3</th><td>－"_s, u"***"_s},
        {"scratched, last of a table", u"3</th><td>－</td></tr></tbody></table>"_s, u"***"_s},
        {"grey cell", u"3</th><td class=nk23_u-bg-color0>"_s, std::nullopt},
        {"no <td>", u"9</th>"_s, QString()},
        {"not shown yet", u"4</th><td>"_s, QString()},
        {"letters upper-cased", u"4</th><td>n/a"_s, u"N/A"_s},
        {"an at sign ends the odds", u"4</th><td>1.2@3"_s, u"1.2"_s},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.name);
        OddsCellCut cut;
        EXPECT_EQ(cut.cut(r.line), r.cell);
    }
}

TEST(OddsCellCut, AFailedCutKeepsTheCellBefore)
{
    OddsCellCut cut;
    EXPECT_EQ(cut.cut(u"2</th><td>5.6"_s), u"5.6"_s);
    EXPECT_EQ(cut.cut(u"@3</th><td>7.8"_s), u"5.6"_s);
}

TEST(ReadStaircase, PassesOverOneEmptyLineBeforeACell)
{
    const struct {
        const char* name;
        QString text;
        QStringList cells;
    } rows[] = {
        {"no empty line",
         u"\"open\r\na\r\nb\r\nc\r\nd\r\ne\r\nf\r\ng\r\nh\r\nend\r\n"_s,
         {u"a"_s, u"b"_s, u"c"_s, u"d"_s, u"e"_s, u"f"_s, u"g"_s, u"h"_s}},
        {"one empty line is passed over",
         u"\"open\r\n\r\na\r\nb\r\nc\r\nd\r\ne\r\nf\r\ng\r\nh\r\nend\r\n"_s,
         {u"a"_s, u"b"_s, u"c"_s, u"d"_s, u"e"_s, u"f"_s, u"g"_s, u"h"_s}},
        {"of two empty lines the second is the cell's",
         u"\"open\r\n\r\n\r\nb\r\nc\r\nd\r\ne\r\nf\r\ng\r\nh\r\nend\r\n"_s,
         {QString(), u"b"_s, u"c"_s, u"d"_s, u"e"_s, u"f"_s, u"g"_s, u"h"_s}},
        {"the page ends: the last line stays in hand",
         u"\"open\r\na\r\nb\r\n"_s,
         {u"a"_s, u"b"_s, u"b"_s, u"b"_s, u"b"_s, u"b"_s, u"b"_s, u"b"_s}},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.name);
        PageReader reader(r.text);
        QStringList cells;
        readStaircase(reader, 2, [&](int row, int col, QString& line) {
            EXPECT_EQ(row, 1);
            EXPECT_EQ(col, cells.size() + 1);
            cells << line;
        });
        EXPECT_EQ(cells, r.cells);
    }
}

TEST(ReadStaircase, ReadsRunnersLessOneRows)
{
    for (int runners : {-1, 0, 1, 2, 5}) {
        SCOPED_TRACE(runners);
        PageReader reader(QString(u"x\r\n"_s).repeated(60));
        int cells = 0;
        readStaircase(reader, runners, [&](int, int, QString&) { ++cells; });
        EXPECT_EQ(cells, 8 * std::max(0, runners - 1));
    }
}

TEST(CutWideCell, SplitsTheRangeIntoBothGrids)
{
    const struct {
        const char* name;
        QString line;
        QString low, high;
    } rows[] = {
        {"middle cell", u"3</th><td>2.1<span>-3.4"_s, u"2.1"_s, u"3.4"_s},
        {"last cell of a table", u"16</th><td>2.1<span>-3.4</td></tr></tbody></table>"_s, u"2.1"_s, u"3.4"_s},
        {"thousands", u"3</th><td>1,002.1<span>-1,203.4"_s, u"1,002.1"_s, u"1,203.4"_s},
        {"scratched", u"5</th><td>－"_s, u"***"_s, u"***"_s},
        {"scratched, last of a table", u"5</th><td>－</td></tr></tbody></table>"_s, u"***"_s, u"***"_s},
        {"no range", u"5</th><td>"_s, QString(), QString()},
        {"grey cell", u"5</th><td class=nk23_u-bg-color0>"_s, u"x"_s, u"x"_s},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.name);
        GridModel low(u"low"_s, 3, 3);
        GridModel high(u"high"_s, 3, 3);
        low.setTextMatrix(1, 2, u"x"_s);
        high.setTextMatrix(1, 2, u"x"_s);
        QString line = r.line;
        QString lowText;
        QString highText;
        cutWideCell(low, high, 1, 2, line, lowText, highText);
        EXPECT_EQ(low.textMatrix(1, 2), r.low);
        EXPECT_EQ(high.textMatrix(1, 2), r.high);
    }
}

} // namespace
