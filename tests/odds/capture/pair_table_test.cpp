#include "odds/capture/pair_table.h"

#include <algorithm>

#include <gtest/gtest.h>

#include "foundation/grid_model.h"
#include "odds/capture/wide_scraper.h"
#include "support/files.h"

using namespace kazeyomi;
using namespace Qt::StringLiterals;

namespace {

TEST(OddsCellCut, CutsTheOddsOfOneCellLineAndSplitsTheWideRangeIntoBothGrids)
{
    for (const QStringList& r : test::dataRows(u"pair_cells.tsv"_s)) {
        SCOPED_TRACE(r[1].toStdString());
        QString line = r[2];
        if (r[0] == u"odds"_s) {
            OddsCellCut cut;
            EXPECT_EQ(cut.cut(line), r[3] == u"@none"_s ? std::nullopt : std::optional<QString>(r[3]));
            continue;
        }
        GridModel low(u"low"_s, 3, 3);
        GridModel high(u"high"_s, 3, 3);
        low.setTextMatrix(1, 2, u"x"_s);
        high.setTextMatrix(1, 2, u"x"_s);
        QString lowText;
        QString highText;
        cutWideCell(low, high, 1, 2, line, lowText, highText);
        EXPECT_EQ(low.textMatrix(1, 2), r[3]);
        EXPECT_EQ(high.textMatrix(1, 2), r[4]);
    }
    // A failed cut keeps the cell before.
    OddsCellCut cut;
    EXPECT_EQ(cut.cut(u"2</th><td>5.6"_s), u"5.6"_s);
    EXPECT_EQ(cut.cut(u"@3</th><td>7.8"_s), u"5.6"_s);
}

TEST(ReadStaircase, PassesOverOneEmptyLineBeforeACell)
{
    for (const QStringList& r : test::dataRows(u"staircase_rows.tsv"_s)) {
        SCOPED_TRACE(r[0].toStdString());
        PageReader reader(r[1]);
        QStringList cells;
        readStaircase(reader, 2, [&](int row, int col, QString& line) {
            EXPECT_EQ(row, 1);
            EXPECT_EQ(col, cells.size() + 1);
            cells << line;
        });
        EXPECT_EQ(cells, r.mid(2));
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

} // namespace
