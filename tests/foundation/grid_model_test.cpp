// The controls' state: the grids every table lives in and the named text boxes.
#include "foundation/grid_model.h"

#include <QDir>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include "foundation/controls.h"
#include "foundation/form_state.h"
#include "support/failing_device.h"
#include "support/files.h"

using namespace kazeyomi;
using namespace Qt::StringLiterals;

namespace {

void fill(GridModel& grid)
{
    grid.setTextMatrix(0, 1, u"単勝"_s);
    grid.setTextMatrix(1, 0, u"1"_s);
    grid.setTextMatrix(1, 1, u"a,b \"quoted\""_s);
    grid.setTextMatrix(2, 2, u"line\r\nbreak\nand\rcr"_s);
    grid.setTextMatrix(3, 3, u"－～①\u00a0 "_s);
    grid.setTextMatrix(4, 1, u"\t"_s);
}

} // namespace

TEST(GridModel, ACellOutsideTheGridIsAnErrorTheCallerCanCatch)
{
    GridModel grid(u"VSFlexGrid3"_s, 17, 4);
    EXPECT_THROW(grid.textMatrix(17, 0), GridRangeError);
    EXPECT_THROW(grid.setTextMatrix(0, 4, u"x"_s), GridRangeError);
    EXPECT_THROW(grid.textMatrix(-1, 0), GridRangeError);
    EXPECT_THROW(grid.cell(1, 0, 0), GridRangeError);
    EXPECT_EQ(grid.textMatrix(16, 3), QString()); // never written reads as ""
}

// A grid shown on screen hears of every cell written after its view connects, a header cell as
// a header change; cells written before anyone listened are simply there.
TEST(GridModel, AViewHearsOfEveryCellWrittenOnceItListens)
{
    GridModel grid(u"VSFlexGrid3"_s, 17, 4);
    grid.setTextMatrix(2, 3, u"before"_s);
    QList<QModelIndex> cells;
    QList<int> headers;
    QObject::connect(&grid, &QAbstractItemModel::dataChanged, [&](const QModelIndex& at) { cells << at; });
    QObject::connect(&grid, &QAbstractItemModel::headerDataChanged,
                     [&](Qt::Orientation, int first) { headers << first; });
    grid.setTextMatrix(2, 3, u"12.3"_s);
    grid.setCell(0, 0, 1, u"単勝"_s);
    ASSERT_EQ(cells.size(), 1);
    EXPECT_EQ(grid.data(cells[0], Qt::DisplayRole).toString(), u"12.3"_s);
    EXPECT_EQ(headers, QList<int>{1});
}

TEST(GridModel, GrowingAndShrinkingRowsKeepsTheRemainingCells)
{
    GridModel grid(u"g"_s, 5, 4);
    fill(grid);
    grid.setRows(3);
    EXPECT_THROW(grid.textMatrix(3, 0), GridRangeError);
    grid.setRows(10);
    EXPECT_EQ(grid.textMatrix(1, 1), u"a,b \"quoted\""_s);
    EXPECT_EQ(grid.textMatrix(4, 1), QString()); // cut off by the shrink, empty after the growth
    EXPECT_EQ(grid.rowCount(), 9);               // the view shows data rows only
}

TEST(GridModel, SavedGridLoadsBackWithTheSameSizeAndEveryCell)
{
    QTemporaryDir dir;
    GridModel grid(u"g"_s, 5, 4);
    fill(grid);
    const QString path = dir.filePath(u"Grid3.dat"_s);
    ASSERT_EQ(grid.saveGrid(path).error, QString());

    GridModel other(u"g"_s, 5, 4);
    other.setTextMatrix(1, 3, u"old"_s);
    ASSERT_EQ(other.loadGrid(path).error, QString());
    ASSERT_EQ(other.rows(), grid.rows());
    ASSERT_EQ(other.cols(), grid.cols());
    for (int r = 0; r < grid.rows(); ++r)
        for (int c = 0; c < grid.cols(); ++c)
            EXPECT_EQ(other.textMatrix(r, c), grid.textMatrix(r, c)) << r << "," << c;
}

// A damaged snapshot, or a whole one of another grid's size, is refused before a cell is taken.
TEST(GridModel, RefusesADamagedSnapshotOrOneOfAnotherSizeAndKeepsItsCells)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(u"Grid16.dat"_s);
    const auto saved = [&](int rows, int cols, bool filled = false) {
        GridModel grid(u"g"_s, rows, cols);
        if (filled)
            fill(grid);
        EXPECT_EQ(grid.saveGrid(path).error, QString()); // a valid checksum
        return test::readBytes(path);
    };
    const QByteArray good = saved(10, 18, true);
    QByteArray flipped = good;
    flipped[flipped.size() - 3] = char(flipped[flipped.size() - 3] ^ 0x40);
    const struct {
        const char* name;
        QByteArray bytes;
    } rows[] = {
        {"truncated", good.left(good.size() - 5)},
        {"cut after the header", good.left(20)},
        {"one byte changed", flipped},
        {"not a snapshot", QByteArray("1,2,3\r\n")},
        {"empty", QByteArray()},
        {"trailing garbage", good + "x"},
        {"one row fewer", saved(9, 18)},
        {"one column more", saved(10, 19)},
        {"another grid's size", saved(17, 4)},
        {"no cells: a 66-byte file", saved(2'147'483'646, 0)},
        {"no rows, no columns", saved(0, 0)},
    };
    EXPECT_EQ(saved(2'147'483'646, 0).size(), 66); // a snapshot without cells
    for (const auto& r : rows) {
        SCOPED_TRACE(r.name);
        test::writeBytes(path, r.bytes);
        GridModel payouts(u"VSFlexGrid16"_s, 10, 18);
        payouts.setTextMatrix(3, 2, u"350円"_s);
        const QString error = payouts.loadGrid(path).error;
        EXPECT_TRUE(error.contains(path)) << error.toStdString();
        EXPECT_EQ(payouts.rows(), 10);
        EXPECT_EQ(payouts.cols(), 18);
        EXPECT_EQ(payouts.textMatrix(3, 2), u"350円"_s);
    }
}

TEST(GridModel, AFailedSaveKeepsTheSnapshotThatWasThere)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(u"Grid3.dat"_s);
    GridModel grid(u"g"_s, 5, 4);
    fill(grid);
    ASSERT_EQ(grid.saveGrid(path).error, QString());
    const QByteArray good = test::readBytes(path);
    grid.clear();
    for (const auto at : {test::FailingDevice::FailAt::Write, test::FailingDevice::FailAt::Close}) {
        const QString error = grid.saveGrid(path, test::FailingFiles(40, at)).error;
        EXPECT_TRUE(error.contains(QDir::toNativeSeparators(path))) << error.toStdString();
        EXPECT_EQ(test::readBytes(path), good);
    }
#ifndef Q_OS_WIN
    EXPECT_TRUE(grid.loadGrid(u"/dev/zero"_s).error.contains(u"/dev/zero"_s)); // never read without end
#endif
    const QString missing = dir.filePath(u"missing/Grid8.dat"_s);
    EXPECT_TRUE(grid.saveGrid(missing).error.contains(QDir::toNativeSeparators(missing)));
    EXPECT_TRUE(grid.loadGrid(missing).error.contains(missing));
}

TEST(FormState, RefusesAControlNameItDoesNotKnow)
{
    FormState form;
    // Near misses of real names: each would once have created a control nobody shows.
    const QString typos[] = {u"Text09"_s,   u"text9"_s,  u"Text9 "_s, u"Text5"_s,  u"Text5_6"_s,
                             u"Text5(0)"_s, u"Text11"_s, u"Label2"_s, u"Lable1"_s, QString()};
    for (const QString& name : typos) {
        SCOPED_TRACE(name.toStdString());
        EXPECT_THROW(form.setText(name, u"大井"_s), UnknownControl);
        EXPECT_THROW((void)form.text(name), UnknownControl);
        try {
            form.setText(name, u"x"_s);
        } catch (const UnknownControl& e) {
            EXPECT_EQ(e.name(), name);
            EXPECT_NE(std::string(e.what()).find(name.toStdString()), std::string::npos);
        }
    }
    // The refused writes created nothing: the real names still read their design texts.
    EXPECT_EQ(form.text(Control::Text9), u"Text9"_s);
}
