#include "snapshots/grid_snapshots.h"

#include <algorithm>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include "foundation/controls.h"
#include "foundation/day_folders.h"
#include "foundation/form_state.h"
#include "foundation/grid_layouts.h"
#include "foundation/notifier.h"
#include "support/fake_clock.h"

using namespace kazeyomi;
using namespace Qt::StringLiterals;

namespace {

class Answering final : public Notifier {
public:
    bool answer = true;
    QStringList asked;
    void tell(const QString&, const QString&) override {}
    bool ask(const QString&, const QString& text) override
    {
        asked << text;
        return answer;
    }
};

class Snapshots : public ::testing::Test {
protected:
    QTemporaryDir base;
    test::FakeClock clock{QDateTime(QDate(2025, 12, 5), QTime(16, 0))};
    DayFolders folders{base.path(), clock};
    FormState form;
    Answering notifier;

    void SetUp() override { ASSERT_EQ(folders.createAll(), QStringList()); }
    void fillGrids()
    {
        for (Grid g : kSnapshotGrids)
            form.grid(g).setTextMatrix(1, 1, u"grid %1, 大井 \"1,2\""_s.arg(gridNumber(g)));
    }
};

} // namespace

TEST_F(Snapshots, SaveThenLoadGivesBackEveryGridAndTheEveningStampOnceTheUserAgrees)
{
    fillGrids();
    form.setText(Control::Text9, u"14:25"_s);
    notifier.answer = false; // cancel: no file, no grid and no stamp changes
    EXPECT_EQ(Command6_Click(form, folders, notifier).error, QString());
    EXPECT_TRUE(QDir(folders.cardFolder()).entryList({u"*.dat"_s}).isEmpty());
    EXPECT_EQ(Command7_Click(form, folders, notifier).error, QString());
    EXPECT_EQ(form.grid(Grid::VSFlexGrid3).textMatrix(1, 1), u"grid 3, 大井 \"1,2\""_s);
    EXPECT_EQ(form.text(Control::Text9), u"14:25"_s);

    notifier.answer = true;
    notifier.asked.clear();
    ASSERT_EQ(Command6_Click(form, folders, notifier).error, QString());
    for (Grid g : kSnapshotGrids) {
        EXPECT_TRUE(QFile::exists(QDir(folders.cardFolder()).filePath(u"Grid%1.dat"_s.arg(gridNumber(g)))));
        form.grid(g).clear();
    }
    ASSERT_EQ(Command7_Click(form, folders, notifier).error, QString());
    for (Grid g : kSnapshotGrids)
        EXPECT_EQ(form.grid(g).textMatrix(1, 1), u"grid %1, 大井 \"1,2\""_s.arg(gridNumber(g)));
    EXPECT_EQ(form.text(Control::Text9), u"20:00"_s);
    EXPECT_EQ(notifier.asked, (QStringList{u"保存しますか？"_s, u"読み込みしますか？"_s}));

    // A missing snapshot is reported and the others still load.
    QFile::remove(QDir(folders.cardFolder()).filePath(u"Grid5.dat"_s));
    form.grid(Grid::VSFlexGrid16).clear();
    form.setText(Control::Text9, u"14:25"_s);
    const QString error = Command7_Click(form, folders, notifier).error;
    EXPECT_TRUE(error.contains(u"Grid5.dat"_s)) << error.toStdString();
    EXPECT_EQ(form.grid(Grid::VSFlexGrid16).textMatrix(1, 1), u"grid 16, 大井 \"1,2\""_s);
    EXPECT_EQ(form.text(Control::Text9), u"14:25"_s);
}
