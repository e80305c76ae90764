#include "odds/files/pair_writers.h"

#include <functional>
#include <map>
#include <set>
#include <utility>

#include <QDir>

#include "demo/pair_staircase.h"
#include "foundation/controls.h"
#include "foundation/grid_layouts.h"
#include "support/files.h"
#include "support/race_fixture.h"

using namespace kazeyomi;
using namespace Qt::StringLiterals;

namespace {

using Pair = std::pair<int, int>;

// Odds that say which pair they belong to: 8-11 shows 811.
QString pairOdds(int first, int second)
{
    return QString::number(first * 100 + second);
}

QByteArray field(int first, int second, const QByteArray& odds)
{
    return QString::asprintf("%02d-%02d%8s", first, second, odds.constData()).toLatin1();
}

struct Field {
    int first = 0;
    int second = 0;
    QByteArray odds;
};

class PairWriters : public test::RaceFixture {
protected:
    void SetUp() override
    {
        RaceFixture::SetUp();
        setRace(u"大井"_s, 10);
        form.setText(Control::Text9, u"10:25"_s);
    }
    QByteArray history(const QString& ext) { return test::readBytes(oddsFile(u"大井10."_s + ext)); }

    // The exacta grid as its scraper leaves it; odds(column horse, row horse), self pairs grey.
    void fillExacta(int runners, const std::function<QString(int, int)>& odds)
    {
        form.race.runnerCount = qint16(runners);
        GridModel& grid = form.grid(Grid::VSFlexGrid6);
        grid.clear();
        for (int c = 1; c <= 8; ++c)
            grid.setTextMatrix(0, c, QString::number(c));
        const int blocks = runners > 8 ? 2 : 1;
        for (int b = 0; b < blocks; ++b) {
            for (int r = 1; r <= runners; ++r) {
                grid.setTextMatrix(b * runners + r, 0, QString::number(r));
                for (int c = 1; c <= 8 && b * 8 + c <= runners; ++c)
                    if (b * 8 + c != r)
                        grid.setTextMatrix(b * runners + r, c, odds(b * 8 + c, r));
            }
        }
    }

    // A quinella or wide grid as its scraper leaves it from a page laid out as the local site
    // lays it: N - 1 table rows, grey cells empty, `blank` pairs without odds yet.
    void fillStaircase(Grid which, int runners, const std::function<QString(int, int)>& odds,
                       const std::set<Pair>& blank = {})
    {
        form.race.runnerCount = qint16(runners);
        GridModel& grid = form.grid(which);
        grid.clear();
        for (int c = 1; c <= 8; ++c)
            grid.setTextMatrix(0, c, QString::number(c));
        for (int i = 2; i <= runners; ++i)
            grid.setTextMatrix(i - 1, 0, QString::number(i));
        const QList<StaircaseRow> rows = staircase(runners);
        for (int r = 1; r <= runners - 1 && r <= rows.size(); ++r) {
            for (int c = 1; c <= 8; ++c) {
                const StaircaseSlot& slot = rows[r - 1][size_t(c - 1)];
                if (slot.kind == StaircaseSlot::Kind::Pair && !blank.count({slot.first, slot.second}))
                    grid.setTextMatrix(r, c, odds(slot.first, slot.second));
            }
        }
    }

    // Fields of the only line of a history file.
    QList<Field> fieldsOf(const QString& ext)
    {
        QByteArray line = history(ext);
        EXPECT_TRUE(line.startsWith("10:25") && line.endsWith("\r\n") && line.count('\n') == 1);
        line = line.mid(5, line.size() - 7);
        EXPECT_EQ(line.size() % 13, 0);
        QList<Field> fields;
        for (qsizetype at = 0; at + 13 <= line.size(); at += 13) {
            const QByteArray f = line.mid(at, 13);
            EXPECT_EQ(f[2], '-') << f.constData();
            fields.push_back({f.left(2).toInt(), f.mid(3, 2).toInt(), f.mid(5)});
        }
        return fields;
    }
};

} // namespace

TEST_F(PairWriters, ThreeRunnerExactaAndQuinellaLinesByteForByte)
{
    const std::map<Pair, QString> exacta = {
        {{1, 2}, u"12.3"_s},     {{1, 3}, u"45"_s},  {{2, 1}, u"5.6"_s},
        {{2, 3}, u"1,234.56"_s}, {{3, 1}, u"***"_s}, {{3, 2}, u"***"_s},
    };
    fillExacta(3, [&](int c, int r) { return exacta.at({c, r}); });
    // 2-3 shows a value too long for 8 characters: only its last 8 are kept.
    const std::map<Pair, QString> quinella = {{{1, 2}, u" 3.4 "_s}, {{1, 3}, u"10"_s}, {{2, 3}, u"1234567.8"_s}};
    fillStaircase(Grid::VSFlexGrid5, 3, [&](int a, int b) { return quinella.at({a, b}); });
    ASSERT_EQ(Utan_write(context).error, QString());
    ASSERT_EQ(Uren_write(context).error, QString());

    EXPECT_EQ(history(u"utan"_s), "10:25"
                                  "01-01     ***01-02    12.301-03    45.0"
                                  "02-01     5.602-02     ***02-03  1234.6"
                                  "03-01     ***03-02     ***03-03     ***\r\n");
    EXPECT_EQ(history(u"uren"_s), "10:2501-02     3.401-03    10.002-03234567.8\r\n");
    EXPECT_TRUE(QDir(folders.oddsFolder()).entryList({u"*T"_s}, QDir::Files).isEmpty());
}

TEST_F(PairWriters, ExactaWritesEveryOrderedPairColumnByColumn)
{
    const struct {
        const char* name;
        int runners;
        std::set<Pair> blank; // odds not shown yet: written "***"
    } rows[] = {
        {"5 runners", 5, {}},
        {"8 runners", 8, {}},
        {"9 runners: column 9 from the second block", 9, {}},
        {"12 runners", 12, {{3, 7}, {10, 2}}},
        {"16 runners: 16 rows without a second label 1", 16, {{16, 15}}},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        QFile::remove(oddsFile(u"大井10.utan"_s));
        // A blank cell is empty or holds only blanks.
        fillExacta(row.runners, [&](int c, int r) { return row.blank.count({c, r}) ? u" "_s : pairOdds(c, r); });
        ASSERT_EQ(Utan_write(context).error, QString());

        QByteArray expected = "10:25";
        for (int c = 1; c <= row.runners; ++c)
            for (int r = 1; r <= row.runners; ++r)
                expected += field(c, r, c == r || row.blank.count({c, r}) ? "***" : pairOdds(c, r).toLatin1() + ".0");
        EXPECT_EQ(history(u"utan"_s), expected + "\r\n");
        EXPECT_EQ(fieldsOf(u"utan"_s).size(), row.runners * row.runners);
    }
}

TEST_F(PairWriters, QuinellaBlankCellGivesNoFieldAndEndsItsRowsCopy)
{
    const struct {
        const char* name;
        std::set<Pair> blank;
        QByteArray fields;
    } rows[] = {
        {"5 runners: 10 fields",
         {},
         "01-02   102.001-03   103.001-04   104.001-05   105.0"
         "02-03   203.002-04   204.002-05   205.0"
         "03-04   304.003-05   305.0"
         "04-05   405.0"},
        // 2-3 heads row 1 of column 2: columns 2 to 4 get nothing in that row, so their
        // columns end at once and horses 2 to 4 are not written at all.
        {"blank 2-3", {{2, 3}}, "01-02   102.001-03   103.001-04   104.001-05   105.0"},
        {"blank 1-5 at the foot of column 1",
         {{1, 5}},
         "01-02   102.001-03   103.001-04   104.0"
         "02-03   203.002-04   204.002-05   205.0"
         "03-04   304.003-05   305.0"
         "04-05   405.0"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        QFile::remove(oddsFile(u"大井10.uren"_s));
        fillStaircase(Grid::VSFlexGrid5, 5, pairOdds, row.blank);
        ASSERT_EQ(Uren_write(context).error, QString());
        EXPECT_EQ(history(u"uren"_s), "10:25" + row.fields + "\r\n");
    }
    // After the last row: the blank ended row 4's copy, the cells above it stayed.
    const GridModel& work = form.grid(Grid::VSFlexGrid17);
    EXPECT_EQ(work.textMatrix(3, 1), u"104"_s);
    EXPECT_EQ(work.textMatrix(4, 1), QString());
    EXPECT_EQ(work.textMatrix(0, 15), u"15"_s);
}

TEST_F(PairWriters, WideWritersWriteLowerAndUpperBoundsAndKeepStars)
{
    // Horse 3 is scratched: its pairs show "－", which the scraper leaves as "***" in both grids.
    const auto bound = [](bool upper) {
        return [upper](int a, int b) {
            return a == 3 || b == 3 ? u"***"_s : u"%1.%2"_s.arg(a + b + (upper ? 10 : 0)).arg(a);
        };
    };
    fillStaircase(Grid::VSFlexGrid10, 4, bound(false));
    fillStaircase(Grid::VSFlexGrid12, 4, bound(true));
    ASSERT_EQ(WideL_write(context).error, QString());
    ASSERT_EQ(WideH_write(context).error, QString());

    EXPECT_EQ(history(u"wideL"_s), "10:25"
                                   "01-02     3.101-03     ***01-04     5.1"
                                   "02-03     ***02-04     6.2"
                                   "03-04     ***\r\n");
    EXPECT_EQ(history(u"wideH"_s), "10:25"
                                   "01-02    13.101-03     ***01-04    15.1"
                                   "02-03     ***02-04    16.2"
                                   "03-04     ***\r\n");
    // The shared work grid shows the upper bounds after both writers.
    EXPECT_EQ(form.grid(Grid::VSFlexGrid18).textMatrix(1, 1), u"13.1"_s);
}

// The quinella and wide files are read with fixed bounds: 15 table rows, lower parts up to
// row 14, pair columns up to horse 14. On the local site's layout every pair of up to 15
// runners fits. With 16 runners horse 9 + m's pairs sit in rows 10 + m to 16 of column 8 - m,
// under horse 8 - m's 8 + m pairs and the grey head, and only rows 10 + m to 14 are copied:
// 5 + 4 + 3 + 2 + 1 pairs for horses 9 to 13, none for horse 14 and 15 (no layout can start
// them higher, and horse 15 would be the fifteenth column). 92 + 15 = 107 of 120 pairs reach
// the file; the 13 lost are those among horses 9 to 16 with 15 or 16 in them.
// With 12 runners column 8 holds 8-9 to 8-12, then the grey head of horse 9 and 9-10 to 9-12:
// a blank 8-10 (odds not shown yet) ends column 8 there, but must not be taken for that head,
// or the odds of 8-11 and 8-12 would be written under 09-10 and 09-11.
TEST_F(PairWriters, StaircaseBoundsKeepAsManyPairsAsTheyAlwaysDid)
{
    std::set<Pair> lostAt16;
    for (int a = 9; a <= 15; ++a)
        for (int b = std::max(a + 1, 15); b <= 16; ++b)
            lostAt16.insert({a, b});
    const struct {
        int runners;
        size_t written;
        std::set<Pair> missing;
        std::set<Pair> blank;
    } rows[] = {
        {2, 1, {}, {}},
        {8, 28, {}, {}},
        {9, 36, {}, {}},
        {12, 66, {}, {}},
        {15, 105, {}, {}},
        {16, 107, lostAt16, {}},
        {12, 63, {{8, 10}, {8, 11}, {8, 12}}, {{8, 10}}},
    };
    ASSERT_EQ(lostAt16.size(), 13u);
    for (const auto& row : rows) {
        SCOPED_TRACE(row.runners);
        QFile::remove(oddsFile(u"大井10.uren"_s));
        fillStaircase(Grid::VSFlexGrid5, row.runners, pairOdds, row.blank);
        ASSERT_EQ(Uren_write(context).error, QString());
        std::set<Pair> written;
        for (const Field& f : fieldsOf(u"uren"_s)) {
            EXPECT_EQ(f.odds.trimmed(), pairOdds(f.first, f.second).toLatin1() + ".0") << f.first << "-" << f.second;
            written.insert({f.first, f.second});
        }
        EXPECT_EQ(written.size(), row.written);
        std::set<Pair> missing;
        for (int a = 1; a <= row.runners; ++a)
            for (int b = a + 1; b <= row.runners; ++b)
                if (!written.count({a, b}))
                    missing.insert({a, b});
        EXPECT_EQ(missing, row.missing);
    }
}
