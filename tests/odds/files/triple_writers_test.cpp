#include "odds/files/triple_writers.h"

#include <algorithm>
#include <array>
#include <functional>
#include <set>

#include "foundation/controls.h"
#include "foundation/grid_layouts.h"
#include "foundation/grid_model.h"
#include "odds/capture/sanfuku_scraper.h"
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
};

TEST_F(TripleWriters, TrioLinesByteForByte)
{
    const struct {
        const char* name;
        int runners;
        std::function<QString(int, Triple)> odds;
        QByteArray fields;
    } rows[] = {
        {"four runners: twelve fields, four with odds", 4, [](int, Triple t) { return comboOdds(t[0], t[1], t[2]); },
         field(1, 2, 3, "10203.0") + field(1, 2, 4, "10204.0") + field(1, 3, 4, "10304.0") + field(2, 1, 3, "***") +
             field(2, 1, 4, "***") + field(2, 3, 4, "20304.0") + field(3, 1, 2, "***") + field(3, 1, 4, "***") +
             field(3, 2, 4, "***") + field(4, 1, 2, "***") + field(4, 1, 3, "***") + field(4, 2, 3, "***")},
        {"a scratched cell is written as stars", 3, [](int, Triple) { return u"***"_s; },
         field(1, 2, 3, "***") + field(2, 1, 3, "***") + field(3, 1, 2, "***")},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.name);
        QFile::remove(oddsFile(u"大井10.3fuku"_s));
        fillTrioPage(r.runners, r.odds);
        Sanfuku_arrange(form);
        ASSERT_TRUE(Sanfuku_write(context).ok());
        EXPECT_EQ(history(u"3fuku"_s), "10:25" + r.fields + "\r\n");
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

TEST_F(TripleWriters, ATrifectaGridWithoutLabelsOrWithABadLabelWritesNothing)
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

} // namespace
