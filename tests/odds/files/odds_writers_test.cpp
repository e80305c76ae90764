// The odds writers on grids laid out as their scrapers leave them: the quirks of each file's line,
// byte for byte. Every writer's line of an ordinary race, and what all eleven writers share, are
// checked once over all of them with the results.
#include <algorithm>
#include <array>
#include <functional>
#include <map>
#include <set>
#include <utility>

#include <QFile>

#include "demo/pair_pages.h"
#include "demo/pair_staircase.h"
#include "demo/triple_pages.h"
#include "foundation/controls.h"
#include "foundation/grid_layouts.h"
#include "foundation/grid_model.h"
#include "odds/capture/sanfuku_scraper.h"
#include "odds/capture/santan_scraper.h"
#include "odds/capture/tanfuku_scraper.h"
#include "odds/capture/umafuku_scraper.h"
#include "odds/capture/umatan_scraper.h"
#include "odds/capture/wide_scraper.h"
#include "odds/files/pair_writers.h"
#include "odds/files/tanfuku_writers.h"
#include "odds/files/triple_writers.h"
#include "support/files.h"
#include "support/race_fixture.h"
#include "support/race_pages.h"

using namespace kazeyomi;
using namespace Qt::StringLiterals;

namespace {

using Pair = std::pair<int, int>;
using Triple = std::array<int, 3>;

// Odds that say which pair or trio they belong to: 8-11 shows 811, 1-12-7 shows 11207.
QString pairOdds(int first, int second)
{
    return QString::number(first * 100 + second);
}
QString comboOdds(int a, int b, int c)
{
    return QString::number(a * 10000 + b * 100 + c);
}

class OddsWriters : public test::RaceFixture {
protected:
    void SetUp() override
    {
        RaceFixture::SetUp();
        setRace(u"大井"_s, 10);
        form.setText(Control::Text9, u"10:25"_s);
    }
    QByteArray history(const QString& ext) { return test::readBytes(oddsFile(u"大井10."_s + ext)); }

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
};

} // namespace

TEST_F(OddsWriters, ThreeRunnerExactaAndQuinellaLinesByteForByte)
{
    const std::map<Pair, QString> exacta = {
        {{1, 2}, u"12.3"_s},     {{1, 3}, u"45"_s},  {{2, 1}, u"5.6"_s},
        {{2, 3}, u"1,234.56"_s}, {{3, 1}, u"***"_s}, {{3, 2}, u"***"_s},
    };
    for (const auto& [pair, odds] : exacta) { // column horse, row horse, as the scraper leaves them
        form.grid(Grid::VSFlexGrid6).setTextMatrix(pair.second, 0, QString::number(pair.second));
        form.grid(Grid::VSFlexGrid6).setTextMatrix(pair.second, pair.first, odds);
    }
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
}

TEST_F(OddsWriters, QuinellaBlankCellGivesNoFieldAndEndsItsRowsCopy)
{
    for (const QStringList& r : test::dataRows(u"quinella_blanks.tsv"_s)) {
        SCOPED_TRACE(r[0].toStdString());
        QFile::remove(oddsFile(u"大井10.uren"_s));
        std::set<Pair> blank;
        if (!r[1].isEmpty())
            blank.insert({r[1].section(u'-', 0, 0).toInt(), r[1].section(u'-', 1, 1).toInt()});
        fillStaircase(Grid::VSFlexGrid5, 5, pairOdds, blank);
        ASSERT_EQ(Uren_write(context).error, QString());
        EXPECT_EQ(history(u"uren"_s), r[2].toLatin1());
    }
    // After the last row: the blank ended row 4's copy, the cells above it stayed.
    const GridModel& work = form.grid(Grid::VSFlexGrid17);
    EXPECT_EQ(work.textMatrix(3, 1), u"104"_s);
    EXPECT_EQ(work.textMatrix(4, 1), QString());
}

// A trio blank in its first block is written with its odds where it is next seen.
TEST_F(OddsWriters, ABlankTrioIsWrittenWithOddsWhereItIsNextSeen)
{
    fillTrioPage(16, [](int b, Triple t) {
        return b == 1 && t == Triple{1, 5, 9} ? QString() : comboOdds(t[0], t[1], t[2]);
    });
    Sanfuku_arrange(form);
    ASSERT_TRUE(Sanfuku_write(context).ok());
    const QByteArray line = history(u"3fuku"_s);
    const qsizetype at = line.indexOf("05-01-09 10509.0");
    ASSERT_GT(at, 0);
    for (const char* before : {"01-05-09", "01-09-05", "05-09-01", "09-01-05", "09-05-01"})
        EXPECT_FALSE(line.left(at).contains(before)) << before;
}

TEST_F(OddsWriters, ATrifectaGridWithoutLabelsOrWithABadLabelWritesNothing)
{
    form.grid(Grid::VSFlexGrid13).clear();
    EXPECT_TRUE(Santan_arrange(context).ok());
    EXPECT_FALSE(QFile::exists(oddsFile(u"大井10.3tan"_s)));

    GridModel& page = form.grid(Grid::VSFlexGrid13);
    for (int r = 1; r <= 11 * 5; ++r) // six runners: five rows a table, eleven tables
        page.setTextMatrix(r, 0, QString::number((r - 1) % 5 + 1));
    page.setTextMatrix(3, 0, u"x"_s);
    const Outcome bad = Santan_arrange(context);
    EXPECT_FALSE(bad.ok());
    EXPECT_TRUE(bad.error.contains(u"VSFlexGrid13"_s)) << bad.error.toStdString();
    EXPECT_FALSE(QFile::exists(oddsFile(u"大井10.3tan"_s)));
    EXPECT_FALSE(QFile::exists(oddsFile(u"大井10.3tanT"_s)));
}

// Horses with win odds but no place odds yet get 8 blanks in the place files; without a time
// stamp the first field loses its leading blanks.
TEST_F(OddsWriters, WinAndPlaceLinesOfTwelveRunnersByteForByte)
{
    for (int r = 1; r <= 12; ++r) {
        const QStringList cells = r == 1 ? QStringList{u"1"_s, u"2.3"_s, u"1.1"_s, u"1.4"_s}
                                         : QStringList{QString::number(r), u"12"_s, QString(), QString()};
        for (int c = 0; c < 4; ++c)
            form.grid(Grid::VSFlexGrid3).setTextMatrix(r, c, cells[c]);
    }
    ASSERT_EQ(TanA_write(context).error, QString());
    ASSERT_EQ(Fuk1_write(context).error, QString());
    ASSERT_EQ(Fuk2_write(context).error, QString());
    const QByteArray win = "     2.3" + QByteArray("    12.0").repeated(11) + QByteArray("     0.0").repeated(4);
    EXPECT_EQ(history(u"tanA"_s), "10:25" + win + "\r\n");
    EXPECT_EQ(history(u"Fuk1"_s),
              "10:25     1.1" + QByteArray(11 * 8, ' ') + QByteArray("     0.0").repeated(4) + "\r\n");
    EXPECT_EQ(history(u"Fuk2"_s),
              "10:25     1.4" + QByteArray(11 * 8, ' ') + QByteArray("     0.0").repeated(4) + "\r\n");

    QFile::remove(oddsFile(u"大井10.tanA"_s));
    form.setText(Control::Text9, QString());
    ASSERT_EQ(TanA_write(context).error, QString());
    EXPECT_EQ(history(u"tanA"_s), win.mid(5) + "\r\n");
}

// The work grids each writer leaves behind (the window shows them, the snapshots save them), cell for
// cell, after every odds writer of a cycle over grids cut from the local site's pages: races of 6, 12
// and 16 runners, one horse scratched, the last excluded and some odds not shown yet from 12 on.
TEST_F(OddsWriters, TheWorkGridsHoldWhatTheWritersLeaveThere)
{
    using Writer = std::function<Outcome(Context&, const FileDevices&)>;
    const std::pair<const char*, Writer> writers[] = {
        {"tanA", TanA_write},   {"Fuk1", Fuk1_write},     {"Fuk2", Fuk2_write},
        {"uren", Uren_write},   {"utan", Utan_write},     {"wideL", WideL_write},
        {"wideH", WideH_write}, {"3fuku", Sanfuku_write}, {"3tan", Santan_arrange},
    };
    const std::map<QString, std::vector<Grid>> shown = {
        {u"uren"_s, {Grid::VSFlexGrid17}},  {u"utan"_s, {Grid::VSFlexGrid19}},
        {u"wideL"_s, {Grid::VSFlexGrid18}}, {u"wideH"_s, {Grid::VSFlexGrid18}},
        {u"3fuku"_s, {Grid::VSFlexGrid21}}, {u"3tan"_s, {Grid::VSFlexGrid22, Grid::VSFlexGrid23}},
    };
    const QString code = u"2025120520011001"_s;
    for (int runners : {6, 12, 16}) {
        SCOPED_TRACE(runners);
        WinPlacePage race;
        const std::vector<test::RacePage> pages = test::edgeCasePages(race, code, runners);
        for (const auto& [path, body] : pages)
            site.setPage(test::kSite + path, body, kOddsPageContentType);
        for (const auto& scrape : {TanFuku_get, Umafuku_get, Umatan_get, Wide_get, Sanfuku_get, Santan_get})
            ASSERT_EQ(scrape(context, code), ScrapeResult::Parsed);
        QString grids;
        for (const auto& [ext, write] : writers) {
            ASSERT_EQ(write(context, realFiles()).error, QString()) << ext;
            const auto it = shown.find(QString::fromLatin1(ext));
            for (Grid g : it == shown.end() ? std::vector<Grid>{} : it->second) {
                const GridModel& grid = form.grid(g);
                grids += u"== %1 %2\n"_s.arg(QString::fromLatin1(ext), grid.name());
                for (int r = 0; r < grid.rows(); ++r) {
                    QStringList cells;
                    for (int c = 0; c < grid.cols(); ++c)
                        cells << grid.textMatrix(r, c);
                    while (!cells.isEmpty() && cells.last().isEmpty())
                        cells.removeLast();
                    grids += cells.join(u'\t') + u'\n';
                }
            }
        }
        grids += u"runners %1\n"_s.arg(form.race.runnerCount);
        const QByteArray expected =
            test::readBytes(QStringLiteral(KAZEYOMI_SAMPLES_DIR "/../tests/data/writers/oi10-%1.grids").arg(runners));
        EXPECT_EQ(grids.toUtf8(), expected);
    }
}

// The history line is what a free-format read of the snapshot gives: a comma or a quote in the
// line, a leading tab, characters beyond ASCII and ones the code page lacks each take their own way.
TEST_F(OddsWriters, AHistoryLineIsTheSnapshotAsAFreeFormatReadTakesIt)
{
    const QByteArray rest = QByteArray("     0.0").repeated(15) + "\r\n";
    const struct {
        const char* name;
        QString stamp;
        QString odds;
        QByteArray history;
    } rows[] = {
        {"comma in a cell ends the item", u"10:25"_s, u"1,23"_s, "10:25    1\r\n"},
        {"quoted stamp", u"\"10\"25"_s, u"2.3"_s, "10\r\n"},
        {"tab before the stamp", u"\t10:25"_s, u"2.3"_s, "10:25     2.3" + rest},
        {"full-width stamp", u"１０:２５"_s, u"2.3"_s, "\x82\x50\x82\x4f:\x82\x51\x82\x54     2.3" + rest},
        {"character the code page lacks", u"10:25€"_s, u"2.3"_s, "10:25?     2.3" + rest},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.name);
        QFile::remove(oddsFile(u"大井10.tanA"_s));
        form.setText(Control::Text9, r.stamp);
        form.grid(Grid::VSFlexGrid3).setTextMatrix(1, 1, r.odds);
        ASSERT_EQ(TanA_write(context).error, QString());
        EXPECT_EQ(history(u"tanA"_s), r.history);
    }
}
