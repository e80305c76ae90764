#include "odds/files/tanfuku_writers.h"

#include <QDir>
#include <QFile>

#include "foundation/controls.h"
#include "foundation/grid_layouts.h"
#include "foundation/text_codec.h"
#include "odds/files/odds_history.h"
#include "support/failing_device.h"
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

TEST_F(TanFukuWriters, AppendsOneLinePerWriteOldestFirst)
{
    setRace(u"大井"_s, 10);
    for (int i = 0; i < 10; ++i) {
        form.setText(Control::Text9, u"10:%1"_s.arg(i, 2, 10, QChar(u'0')));
        horse(1, QString::number(i + 1), QString(), QString());
        ASSERT_EQ(TanA_write(context).error, QString());
    }
    const QList<QByteArray> lines = history(u"tanA"_s).split('\n');
    ASSERT_EQ(lines.size(), 11); // ten lines and nothing after the last CR LF
    for (int i = 0; i < 10; ++i)
        EXPECT_TRUE(
            lines[i].startsWith(QStringLiteral("10:%1%2.0").arg(i, 2, 10, QChar(u'0')).arg(i + 1, 8 - 2).toLatin1()))
            << lines[i].constData();
}

TEST_F(TanFukuWriters, AMissingOddsFolderIsReportedAndLeavesNoFile)
{
    setRace(u"大井"_s, 10);
    clock.advance(24 * 3600); // after midnight: the new day's folder does not exist
    const QString error = TanA_write(context).error;
    EXPECT_TRUE(error.contains(u"大井10.tanAT"_s)) << error.toStdString();
    EXPECT_FALSE(QFile::exists(oddsFile(u"大井10.tanA"_s)));
}

TEST(SnapshotAppend, NeverLeavesHalfALineBehind)
{
    QTemporaryDir dir;
    const QString snapshot = dir.filePath(u"x.tanAT"_s);
    const QString history = dir.filePath(u"x.tanA"_s);
    test::writeBytes(snapshot, "  10:25     2.3");
    test::writeBytes(history, "old\r\n");
    // The history takes five bytes of the line, then the disk is full.
    const QString error =
        Snapshot_append(history, snapshot, test::FailingFiles(5, test::FailingDevice::FailAt::Write)).error;
    EXPECT_TRUE(error.contains(QDir::toNativeSeparators(history))) << error.toStdString();
    EXPECT_EQ(test::readBytes(history), QByteArray("old\r\n"));

    ASSERT_EQ(Snapshot_append(history, snapshot).error, QString());
    EXPECT_EQ(test::readBytes(history), QByteArray("old\r\n10:25     2.3\r\n"));      // leading blanks dropped
    EXPECT_EQ(Snapshot_append(history, dir.filePath(u"missing"_s)).error, QString()); // no snapshot, no line
    EXPECT_EQ(test::readBytes(history), QByteArray("old\r\n10:25     2.3\r\n"));
}

TEST_F(TanFukuWriters, AFailedWriteLeavesTheHistoryAsItWasAndNoSnapshotFile)
{
    using FailAt = test::FailingDevice::FailAt;
    const struct {
        const char* name;
        int failingOpen; // 0: the snapshot file, 1: the history
        qint64 budget;
        FailAt at;
        const char* named;
    } rows[] = {
        {"snapshot takes no byte", 0, 0, FailAt::Write, "大井10.tanAT"},
        {"snapshot cut after 20 bytes", 0, 20, FailAt::Write, "大井10.tanAT"},
        {"snapshot fails at close", 0, 0, FailAt::Close, "大井10.tanAT"},
        {"history takes half the line", 1, 60, FailAt::Write, "大井10.tanA"},
        {"history fails at close", 1, 60, FailAt::Close, "大井10.tanA"},
    };
    setRace(u"大井"_s, 10);
    form.setText(Control::Text9, u"10:25"_s);
    horse(1, u"2.3"_s, u"1.1"_s, u"1.4"_s);
    ASSERT_EQ(TanA_write(context).error, QString());
    const QByteArray before = history(u"tanA"_s);
    horse(1, u"2.9"_s, u"1.1"_s, u"1.4"_s);
    for (const auto& r : rows) {
        SCOPED_TRACE(r.name);
        const QString error = TanA_write(context, test::FailingFiles(r.budget, r.at, {r.failingOpen})).error;
        EXPECT_TRUE(error.contains(QDir::toNativeSeparators(oddsFile(QString::fromUtf8(r.named)))))
            << error.toStdString();
        EXPECT_EQ(history(u"tanA"_s), before);
        EXPECT_FALSE(QFile::exists(oddsFile(u"大井10.tanAT"_s)));
    }
}
