#include "odds/files/tanfuku_writers.h"

#include <QDir>

#include "foundation/controls.h"
#include "foundation/grid_layouts.h"
#include "support/files.h"
#include "support/race_fixture.h"

using namespace kazeyomi;
using namespace Qt::StringLiterals;

namespace {

class TanFukuWriters : public test::RaceFixture {
protected:
    GridModel& grid() { return form.grid(Grid::VSFlexGrid3); }
    void horse(int row, const QString& win, const QString& low, const QString& high)
    {
        grid().setTextMatrix(row, 0, QString::number(row));
        grid().setTextMatrix(row, 1, win);
        grid().setTextMatrix(row, 2, low);
        grid().setTextMatrix(row, 3, high);
    }
    QByteArray history(const QString& ext) { return test::readBytes(oddsFile(u"大井10."_s + ext)); }
    static QByteArray fields(std::initializer_list<const char*> values)
    {
        QByteArray out;
        for (const char* v : values)
            out += QByteArray(8 - int(qstrlen(v)), ' ') + v;
        return out;
    }
    static QByteArray zeros(int n) { return QByteArray(n * 8, ' ').replace("        ", "     0.0"); }
};

} // namespace

TEST_F(TanFukuWriters, WriteTheExampleRaceByteForByte)
{
    setRace(u"大井"_s, 10);
    form.setText(Control::Text9, u"10:25"_s);
    horse(1, u"2.3"_s, u"1.1"_s, u"1.4"_s);
    horse(2, u"15.6"_s, u"2.5"_s, u"4.0"_s);
    horse(3, u"***"_s, u"***"_s, u"***"_s);
    for (int r = 4; r <= 12; ++r)
        horse(r, u"12"_s, QString(), QString());
    ASSERT_EQ(TanA_write(context).error, QString());
    ASSERT_EQ(Fuk1_write(context).error, QString());
    ASSERT_EQ(Fuk2_write(context).error, QString());

    QByteArray nine;
    for (int i = 0; i < 9; ++i)
        nine += "    12.0";
    const QByteArray tanA = "10:25" + fields({"2.3", "15.6", "***"}) + nine + zeros(4) + "\r\n";
    EXPECT_EQ(history(u"tanA"_s), tanA);
    EXPECT_EQ(tanA.size(), 133 + 2);
    const QByteArray blanks(9 * 8, ' '); // win odds but no place odds: 8 blanks
    EXPECT_EQ(history(u"Fuk1"_s), "10:25" + fields({"1.1", "2.5", "***"}) + blanks + zeros(4) + "\r\n");
    EXPECT_EQ(history(u"Fuk2"_s), "10:25" + fields({"1.4", "4.0", "***"}) + blanks + zeros(4) + "\r\n");
    EXPECT_TRUE(QDir(folders.oddsFolder()).entryList({u"*T"_s}, QDir::Files).isEmpty());
}

TEST_F(TanFukuWriters, AnEmptyTimeStampDropsTheFirstFieldsLeadingBlanks)
{
    setRace(u"大井"_s, 10);
    form.setText(Control::Text9, QString());
    horse(1, u"2.3"_s, u"1.1"_s, u"1.4"_s);
    ASSERT_EQ(TanA_write(context).error, QString());
    EXPECT_EQ(history(u"tanA"_s), "2.3" + zeros(15) + "\r\n");
}
