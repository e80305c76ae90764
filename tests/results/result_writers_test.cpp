#include "results/result_writers.h"

#include <QDir>
#include <QFile>

#include <gtest/gtest.h>

#include "demo/result_pages.h"
#include "foundation/controls.h"
#include "foundation/grid_layouts.h"
#include "foundation/text_codec.h"
#include "results/seiseki_scraper.h"
#include "support/failing_device.h"
#include "support/files.h"
#include "support/race_fixture.h"

using namespace kazeyomi;
using namespace kazeyomi::test;
using namespace Qt::StringLiterals;

namespace {

const QByteArray kBlankSei = QByteArray(144, ' ') + "\r\n";

// Twelve characters, blanks in front (a field with 円 is 13 bytes: widths count characters).
QString fieldText(const QString& text)
{
    return QString(12 - text.size(), u' ') + text;
}
QByteArray line(const QString& text)
{
    return toCp932(fieldText(text)) + "\r\n";
}

QByteArray jyunLines(const QStringList& fields)
{
    QByteArray bytes;
    for (const QString& f : fields)
        bytes += line(f);
    return bytes;
}

class ResultWriters : public RaceFixture {
protected:
    void SetUp() override
    {
        RaceFixture::SetUp();
        setRace(u"大井"_s, 10);
    }
    GridModel& payouts() { return form.grid(Grid::VSFlexGrid16); }
    GridModel& table() { return form.grid(Grid::VSFlexGrid14); }
    QByteArray sei() const { return readBytes(oddsFile(u"大井10.sei"_s)); }
    QByteArray jyun() const { return readBytes(oddsFile(u"大井10.jyun"_s)); }
    void writeBoth()
    {
        EXPECT_EQ(Sei_write(context).error, QString());
        EXPECT_EQ(Jyun_write(context).error, QString());
    }
    void capture(const ResultPage& page, int runners)
    {
        site.setPage(kSite + resultPagePath(u"R10"_s), resultPage(page), "text/html; charset=UTF-8");
        form.race.runnerCount = qint16(runners);
        ASSERT_TRUE(Seiseki_get(context, u"R10"_s).ok());
        writeBoth();
    }
};

} // namespace

TEST_F(ResultWriters, WritesBlankFieldsUntilACompleteResultIsCaptured)
{
    const struct {
        const char* name;
        ResultPage page;
    } rows[] = {
        {"before the race", resultBeforeRace(u"大井"_s, 10)},
        {"one finisher short", resultAfterRace(u"大井"_s, 10, 9)},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.name);
        capture(resultAfterRace(u"大井"_s, 10, 10), 10);
        ASSERT_NE(sei(), kBlankSei);
        capture(r.page, 10);
        EXPECT_EQ(sei(), kBlankSei);
        EXPECT_EQ(jyun(), jyunLines(QStringList(20)));
    }
}

TEST_F(ResultWriters, SeiHoldsTheTwelvePayoutsInFieldOrder)
{
    const struct {
        int row, col;
        QString text;
    } cells[] = {{3, 2, u"350円"_s},   {3, 5, u"-円"_s},        {4, 5, u"-円"_s},     {5, 5, u"-円"_s},
                 {3, 8, u"1,020円"_s}, {3, 11, u" 1,870円 "_s}, {7, 2, u"460円"_s},   {8, 2, u"890円"_s},
                 {9, 2, u"円"_s},      {3, 17, u"2,560円"_s},   {7, 5, u"4,520円"_s}, {7, 8, u"12,345,678,910円"_s}};
    for (const auto& c : cells)
        payouts().setTextMatrix(c.row, c.col, c.text);
    payouts().setTextMatrix(3, 14, u"quinella, not written"_s);
    writeBoth();
    const QString expected = fieldText(u"-円"_s) + fieldText(u"-円"_s) + fieldText(u"-円"_s) + fieldText(u"1,020円"_s) +
                             fieldText(u"1,870円"_s) + fieldText(u"460円"_s) + fieldText(u"890円"_s) +
                             fieldText(u"円"_s) + fieldText(u"2,560円"_s) + fieldText(u"4,520円"_s) +
                             u"345,678,910円"_s;
    EXPECT_EQ(sei(), QByteArray(8, ' ') + "350\x89\x7e" + toCp932(expected) + "\r\n");
}

TEST_F(ResultWriters, JyunHoldsFrameNumberNameAndMarginOfTheFirstFive)
{
    const QStringList rows[] = {
        {u"3"_s, u"5"_s, u"ミッドナイトSTARLIGHT"_s, QString()},
        {u"8"_s, u"16"_s, u"ABCDEFGHIJKLM"_s, u"クビ"_s},
        {u"1"_s, u"1"_s, u"　ギンガ　"_s, u" 1/2 "_s},
    };
    const int columns[] = {2, 3, 4, 12};
    for (int r = 1; r <= 3; ++r) {
        table().setTextMatrix(r, 1, u"not written"_s);
        for (int k = 0; k < 4; ++k)
            table().setTextMatrix(r, columns[k], rows[r - 1][k]);
    }
    writeBoth();
    // Spaces are trimmed, ideographic spaces are not; a long name keeps its last 12 characters.
    const QString none;
    const QStringList lines = QStringList{u"3"_s, u"8"_s, u"1"_s, none, none} +
                              QStringList{u"5"_s, u"16"_s, u"1"_s, none, none} +
                              QStringList{u"ナイトSTARLIGHT"_s, u"BCDEFGHIJKLM"_s, u"　ギンガ　"_s, none, none} +
                              QStringList{none, u"クビ"_s, u"1/2"_s, none, none};
    EXPECT_EQ(jyun(), jyunLines(lines));
}

TEST_F(ResultWriters, FallsBackWhenNoTemporaryFileCanBeMade)
{
    // So long a name that the temporary name beside it passes the file system's limit.
    form.setText(Control::Text7, QString(245, u'A'));
    const QString path = oddsFile(QString(245, u'A') + u"10.sei"_s);
    writeBytes(path, "old");
    payouts().setTextMatrix(3, 2, u"350円"_s);
    EXPECT_EQ(Sei_write(context).error, QString());
    EXPECT_EQ(readBytes(path), toCp932(fieldText(u"350円"_s)) + QByteArray(132, ' ') + "\r\n");
}

TEST_F(ResultWriters, Command9WritesOi03AndLeavesTheRaceKeyChanged)
{
    payouts().setTextMatrix(7, 8, u"121,350円"_s);
    EXPECT_EQ(Command9_Click(context).error, QString());
    EXPECT_EQ(form.text(Control::Text7) + form.text(Control::Text8), u"大井03"_s);
    EXPECT_EQ(readBytes(oddsFile(u"大井03.sei"_s)), QByteArray(132, ' ') + line(u"121,350円"_s));
    EXPECT_FALSE(QFile::exists(oddsFile(u"大井10.sei"_s)));
    EXPECT_EQ(Jyun_write(context).error, QString()); // later writers use the same key
    EXPECT_TRUE(QFile::exists(oddsFile(u"大井03.jyun"_s)));

    // Unlike the cycle's writers it does not make the day folder.
    ASSERT_TRUE(QDir(folders.oddsFolder()).removeRecursively());
    EXPECT_TRUE(Command9_Click(context).error.contains(u"大井03.sei"_s));
    EXPECT_FALSE(QFileInfo::exists(folders.oddsFolder()));
}

TEST_F(ResultWriters, AFailedCommand9KeepsTheOldFileAndNamesIt)
{
    writeBytes(oddsFile(u"大井03.sei"_s), "old");
    const QString error = Command9_Click(context, FailingFiles(0, FailingDevice::FailAt::Write)).error;
    EXPECT_TRUE(error.contains(QDir::toNativeSeparators(oddsFile(u"大井03.sei"_s)))) << error.toStdString();
    EXPECT_EQ(readBytes(oddsFile(u"大井03.sei"_s)), "old");
}
