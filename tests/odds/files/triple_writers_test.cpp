#include "odds/files/triple_writers.h"

#include <algorithm>
#include <array>
#include <functional>
#include <set>

#include "foundation/controls.h"
#include "foundation/grid_layouts.h"
#include "foundation/grid_model.h"
#include "odds/capture/sanfuku_scraper.h"
#include "support/failing_device.h"
#include "support/files.h"
#include "support/race_fixture.h"

using namespace kazeyomi;
using namespace Qt::StringLiterals;

namespace {

using Triple = std::array<int, 3>;

// Odds that say which combination they belong to: 1-12-7 shows 11207.
QString comboOdds(int a, int b, int c)
{
    return QString::number(a * 10000 + b * 100 + c);
}

QByteArray field(int a, int b, int c, const char* odds)
{
    return QString::asprintf("%02d-%02d-%02d%8s", a, b, c, odds).toLatin1();
}

struct Field {
    Triple horses{};
    QByteArray odds;
};

// The fields of a history line after its time stamp "10:25".
std::vector<Field> fieldsOf(const QByteArray& line)
{
    EXPECT_TRUE(line.startsWith("10:25"));
    EXPECT_TRUE(line.endsWith("\r\n"));
    const QByteArray body = line.mid(5, line.size() - 7);
    EXPECT_EQ(body.size() % 16, 0);
    std::vector<Field> fields;
    for (qsizetype at = 0; at + 16 <= body.size(); at += 16) {
        const QByteArray f = body.mid(at, 16);
        fields.push_back({{f.mid(0, 2).toInt(), f.mid(3, 2).toInt(), f.mid(6, 2).toInt()}, f.mid(8).trimmed()});
    }
    return fields;
}

class TripleWriters : public test::RaceFixture {
protected:
    void SetUp() override
    {
        RaceFixture::SetUp();
        setRace(u"大井"_s, 10);
        form.setText(Control::Text9, u"10:25"_s);
    }
    QByteArray history(const QString& ext) { return test::readBytes(oddsFile(u"大井10."_s + ext)); }

    // The trio grid as the scraper cuts it from the site's page: one block per horse b, column j
    // the j-th other horse o(j) with its trios with the later others, then under an empty cell
    // the trios of the (17 - j)-th other horse. `odds` gives a cell's text for a trio in block b.
    void fillTrioPage(int runners, const std::function<QString(int b, Triple trio)>& odds)
    {
        form.race.runnerCount = qint16(runners);
        GridModel& grid = form.grid(Grid::VSFlexGrid11);
        grid.clear();
        const int rows = runners - 2;
        for (int b = 1; b <= runners; ++b) {
            QList<int> others;
            for (int h = 1; h <= runners; ++h)
                if (h != b)
                    others << h;
            const auto o = [&](int i) { return others[i - 1]; };
            const auto put = [&](int k, int j, int s, int x) {
                Triple trio{b, s, x};
                std::sort(trio.begin(), trio.end());
                grid.setTextMatrix((b - 1) * rows + k, j, odds(b, trio));
            };
            for (int k = 1; k <= rows; ++k)
                grid.setTextMatrix((b - 1) * rows + k, 0, QString::number(b));
            for (int j = 1; j <= 8 && j <= runners - 1; ++j) {
                for (int k = 1; k <= runners - 1 - j; ++k)
                    put(k, j, o(j), o(j + k));
                const int lower = 17 - j;
                for (int i = 1; i <= runners - 18 + j; ++i)
                    put(runners - j + i, j, o(lower), o(lower + i));
            }
        }
    }

    // The trifecta page grid: horse h's table, columns the horse second, rows the horse third,
    // the columns from the ninth on in a second half table from 10 runners up.
    void fillTrifectaPage(int runners, const std::function<QString(int, int, int)>& odds)
    {
        form.race.runnerCount = qint16(runners);
        GridModel& grid = form.grid(Grid::VSFlexGrid13);
        grid.clear();
        const int halves = runners >= 10 ? 2 : 1;
        const int perHorse = (runners - 1) * halves;
        for (int r = 1; r <= (runners > 8 ? 2 * runners : 2 * runners - 1) * (runners - 1); ++r)
            grid.setTextMatrix(r, 0, QString::number((r - 1) % (runners - 1) + 1));
        for (int h = 1; h <= runners; ++h) {
            QList<int> others;
            for (int x = 1; x <= runners; ++x)
                if (x != h)
                    others << x;
            for (int half = 0; half < halves; ++half)
                for (int r = 1; r <= runners - 1; ++r)
                    for (int j = 1; j <= 8 && 8 * half + j <= runners - 1; ++j) {
                        const int second = others[8 * half + j - 1];
                        const int third = others[r - 1];
                        if (second != third)
                            grid.setTextMatrix((h - 1) * perHorse + half * (runners - 1) + r, j,
                                               odds(h, second, third));
                    }
        }
    }
};

TEST_F(TripleWriters, FourRunnersGiveTwelveTrioFieldsFourWithOdds)
{
    fillTrioPage(4, [](int, Triple t) { return comboOdds(t[0], t[1], t[2]); });
    Sanfuku_arrange(form);
    ASSERT_TRUE(Sanfuku_write(context).ok());
    EXPECT_EQ(history(u"3fuku"_s), "10:25" + field(1, 2, 3, "10203.0") + field(1, 2, 4, "10204.0") +
                                       field(1, 3, 4, "10304.0") + field(2, 1, 3, "***") + field(2, 1, 4, "***") +
                                       field(2, 3, 4, "20304.0") + field(3, 1, 2, "***") + field(3, 1, 4, "***") +
                                       field(3, 2, 4, "***") + field(4, 1, 2, "***") + field(4, 1, 3, "***") +
                                       field(4, 2, 3, "***") + "\r\n");
    EXPECT_FALSE(QFile::exists(oddsFile(u"大井10.3fukuT"_s)));
}

// Every trio once with its own odds, at its first sighting in ascending order, and twice as a
// repeat; with a blank cell or a scratched horse as the page shows them.
TEST_F(TripleWriters, EveryTrioIsWrittenOnceWithItsOwnOdds)
{
    struct Case {
        int runners;
        Triple blankInFirstBlock; // a trio shown without odds in its first block, {} for none
    };
    for (const Case& c : {Case{3, {}}, Case{4, {}}, Case{5, {}}, Case{8, {1, 3, 5}}, Case{9, {}}, Case{12, {1, 2, 4}},
                          Case{15, {}}, Case{16, {}}, Case{16, {2, 9, 10}}, Case{16, {3, 10, 16}}}) {
        SCOPED_TRACE(c.runners);
        SCOPED_TRACE(c.blankInFirstBlock[0]);
        QFile::remove(oddsFile(u"大井10.3fuku"_s));
        fillTrioPage(c.runners, [&](int b, Triple t) {
            return b == t[0] && t == c.blankInFirstBlock ? QString() : comboOdds(t[0], t[1], t[2]);
        });
        Sanfuku_arrange(form);
        ASSERT_TRUE(Sanfuku_write(context).ok());
        const std::vector<Field> fields = fieldsOf(history(u"3fuku"_s));
        const int n = c.runners;
        std::set<Triple> withOdds;
        int repeats = 0;
        for (const Field& f : fields) {
            Triple sorted = f.horses;
            std::sort(sorted.begin(), sorted.end());
            if (f.odds == "***") {
                ++repeats;
                EXPECT_TRUE(withOdds.contains(sorted)) << f.horses[0] << f.horses[1] << f.horses[2];
                continue;
            }
            EXPECT_EQ(f.odds, comboOdds(sorted[0], sorted[1], sorted[2]).toLatin1() + ".0");
            EXPECT_TRUE(withOdds.insert(sorted).second);
            // Without blanks a trio is first met in the block of its lowest horse.
            if (c.blankInFirstBlock[0] == 0) {
                EXPECT_EQ(f.horses, sorted);
            }
        }
        EXPECT_EQ(int(withOdds.size()), n * (n - 1) * (n - 2) / 6);
        // A blank cell ends its column's walk and its row's copy in that block.
        if (c.blankInFirstBlock[0] != 0)
            continue;
        EXPECT_EQ(int(fields.size()), n * (n - 1) * (n - 2) / 2);
        EXPECT_EQ(repeats, 2 * int(withOdds.size()));
    }
}

// The sixteen-runner numbers, and a trio blank in its first block written at its next sighting.
TEST_F(TripleWriters, ABlankTrioIsWrittenWithOddsWhereItIsNextSeen)
{
    fillTrioPage(16, [](int, Triple t) { return comboOdds(t[0], t[1], t[2]); });
    Sanfuku_arrange(form);
    ASSERT_TRUE(Sanfuku_write(context).ok());
    std::vector<Field> fields = fieldsOf(history(u"3fuku"_s));
    EXPECT_EQ(fields.size(), 1680u);
    EXPECT_EQ(std::count_if(fields.begin(), fields.end(), [](const Field& f) { return f.odds != "***"; }), 560);

    QFile::remove(oddsFile(u"大井10.3fuku"_s));
    const Triple blank{1, 5, 9};
    fillTrioPage(16, [&](int b, Triple t) { return b == 1 && t == blank ? QString() : comboOdds(t[0], t[1], t[2]); });
    Sanfuku_arrange(form);
    ASSERT_TRUE(Sanfuku_write(context).ok());
    fields = fieldsOf(history(u"3fuku"_s));
    const auto at = std::find_if(fields.begin(), fields.end(), [&](const Field& f) {
        Triple sorted = f.horses;
        std::sort(sorted.begin(), sorted.end());
        return sorted == blank;
    });
    ASSERT_NE(at, fields.end());
    EXPECT_EQ(at->horses, (Triple{5, 1, 9}));
    EXPECT_EQ(at->odds, "10509.0");
}

TEST_F(TripleWriters, AScratchedCellIsWrittenAsStarsAndAFailedWriteKeepsTheHistory)
{
    fillTrioPage(3, [](int, Triple) { return u"***"_s; });
    Sanfuku_arrange(form);
    ASSERT_TRUE(Sanfuku_write(context).ok());
    const QByteArray line = "10:25" + field(1, 2, 3, "***") + field(2, 1, 3, "***") + field(3, 1, 2, "***") + "\r\n";
    EXPECT_EQ(history(u"3fuku"_s), line);

    // The history append runs out of space after two bytes.
    const test::FailingFiles full(2, test::FailingDevice::FailAt::Write, {1});
    EXPECT_FALSE(Sanfuku_write(context, full).ok());
    EXPECT_EQ(history(u"3fuku"_s), line);
}

// Every cell of every block, the diagonal included, first horse, then column, then row.
TEST_F(TripleWriters, EveryTrifectaIsWrittenWithItsOwnOdds)
{
    for (int n : {3, 5, 8, 9, 10, 12, 15, 16}) {
        SCOPED_TRACE(n);
        QFile::remove(oddsFile(u"大井10.3tan"_s));
        fillTrifectaPage(n, comboOdds);
        form.race.runnerCount = 0;
        ASSERT_TRUE(Santan_arrange(context).ok());
        EXPECT_EQ(form.race.runnerCount, n - 1);
        const std::vector<Field> fields = fieldsOf(history(u"3tan"_s));
        ASSERT_EQ(int(fields.size()), n * (n - 1) * (n - 1));
        size_t i = 0;
        for (int a = 1; a <= n; ++a)
            for (int b = 1; b <= n; ++b)
                for (int c = 1; c <= n; ++c) {
                    if (b == a || c == a)
                        continue;
                    const Field& f = fields[i++];
                    ASSERT_EQ(f.horses, (Triple{a, b, c}));
                    EXPECT_EQ(f.odds, b == c ? "***" : comboOdds(a, b, c).toLatin1() + ".0");
                }
    }
}

TEST_F(TripleWriters, TrifectaGridsAndTheFieldsOfAMiddleHorse)
{
    fillTrifectaPage(5, comboOdds);
    ASSERT_TRUE(Santan_arrange(context).ok());
    const GridModel& block = form.grid(Grid::VSFlexGrid23);
    EXPECT_EQ(block.textMatrix(0, 0), u"5"_s);
    const QByteArray line = history(u"3tan"_s);
    // Horse 3's group, the third of five groups of 16 fields: its horses are 1, 2, 4 and 5.
    const QByteArray group = line.mid(5 + 2 * 16 * 16, 16 * 16);
    EXPECT_EQ(group.left(32), field(3, 1, 1, "***") + field(3, 1, 2, "30102.0"));
    EXPECT_EQ(group.mid(16 * 4, 16), field(3, 2, 1, "30201.0"));
    EXPECT_EQ(group.mid(16 * 15, 16), field(3, 5, 5, "***"));

    // Eight runners: no second half; column 8 filled with stars but never written.
    fillTrifectaPage(8, comboOdds);
    ASSERT_TRUE(Santan_arrange(context).ok());
    const GridModel& blocks = form.grid(Grid::VSFlexGrid22);
    EXPECT_EQ(blocks.textMatrix(1, 8), u"***"_s);
    EXPECT_EQ(blocks.textMatrix(0, 7), u"7"_s);
    EXPECT_EQ(blocks.textMatrix(0, 8), QString());
    EXPECT_EQ(blocks.textMatrix(8, 0), u"2"_s);

    // Sixteen: fifteen rows a block, columns 9 to 15 from the second half.
    fillTrifectaPage(16, comboOdds);
    ASSERT_TRUE(Santan_arrange(context).ok());
    EXPECT_EQ(blocks.textMatrix(15, 15), u"***"_s);    // horse 1: 16 second, 16 third
    EXPECT_EQ(blocks.textMatrix(14, 15), u"11615"_s);  // horse 1: 16 second, 15 third
    EXPECT_EQ(blocks.textMatrix(240, 9), u"160915"_s); // horse 16: 9 second, 15 third
    EXPECT_EQ(blocks.textMatrix(0, 15), u"15"_s);
}

TEST_F(TripleWriters, ATrifectaGridWithoutLabelsOrWithABadLabelWritesNothing)
{
    form.grid(Grid::VSFlexGrid13).clear();
    EXPECT_TRUE(Santan_arrange(context).ok());
    EXPECT_FALSE(QFile::exists(oddsFile(u"大井10.3tan"_s)));

    fillTrifectaPage(6, comboOdds);
    form.grid(Grid::VSFlexGrid13).setTextMatrix(3, 0, u"x"_s);
    const Outcome bad = Santan_arrange(context);
    EXPECT_FALSE(bad.ok());
    EXPECT_TRUE(bad.error.contains(u"VSFlexGrid13"_s)) << bad.error.toStdString();
    EXPECT_FALSE(QFile::exists(oddsFile(u"大井10.3tan"_s)));
    EXPECT_FALSE(QFile::exists(oddsFile(u"大井10.3tanT"_s)));
}

} // namespace
