// The result page cut into the finishing table and the payouts, the result files written from them,
// and what every writer of a race's files shares, over all eleven of them.
#include "results/seiseki_scraper.h"

#include <array>
#include <functional>

#include <QDir>
#include <QFile>

#include <gtest/gtest.h>

#include "demo/pair_pages.h"
#include "demo/result_pages.h"
#include "demo/triple_pages.h"
#include "foundation/controls.h"
#include "foundation/grid_layouts.h"
#include "foundation/schedule_columns.h"
#include "foundation/text_codec.h"
#include "odds/capture/sanfuku_scraper.h"
#include "odds/capture/santan_scraper.h"
#include "odds/capture/tanfuku_scraper.h"
#include "odds/capture/umafuku_scraper.h"
#include "odds/capture/umatan_scraper.h"
#include "odds/capture/wide_scraper.h"
#include "odds/files/pair_writers.h"
#include "odds/files/tanfuku_writers.h"
#include "odds/files/triple_writers.h"
#include "results/result_writers.h"
#include "scraping/text_helpers.h"
#include "support/failing_device.h"
#include "support/files.h"
#include "support/race_fixture.h"
#include "support/race_pages.h"

using namespace kazeyomi;
using namespace kazeyomi::test;
using namespace Qt::StringLiterals;

namespace {

const QByteArray kBlankSei = QByteArray(144, ' ') + "\r\n";
const QByteArray kBlankJyun = QByteArray(12, ' ').append("\r\n").repeated(20);

const QString kCode = u"2025120520100110"_s;
constexpr int kRow = 10; // the race's schedule row

ResultPage changed(ResultPage page, const std::function<void(ResultPage&)>& change)
{
    change(page);
    return page;
}

// The cells a finishing row should hold: the page's texts with ASCII letters upper-cased.
QStringList expectedRow(const Finisher& f)
{
    QStringList cells{f.position, f.frame,  f.number, f.name,    f.sexAge, f.weight, f.bodyWeight,
                      f.change,   f.jockey, f.time,   f.trainer, f.margin, f.last3f, f.popularity};
    if (f.margin == u"出走取消"_s)
        cells[11].clear();
    for (QString& text : cells)
        text = upperAscii(text);
    return cells;
}

class Results : public RaceFixture {
protected:
    void SetUp() override
    {
        RaceFixture::SetUp();
        setRace(u"大井"_s, 10);
        form.race.row = kRow;
    }
    void serve(const QByteArray& body)
    {
        site.setPage(kSite + resultPagePath(kCode), body, "text/html; charset=UTF-8");
    }
    void capture(const ResultPage& page, int runners)
    {
        serve(resultPage(page));
        run(runners);
    }
    void run(int runners)
    {
        form.grid(Grid::VSFlexGrid8).setTextMatrix(kRow, ScheduleColumn::State, FetchState::kStartedBeforeRun);
        form.race.runnerCount = qint16(runners);
        fetch = Seiseki_get(context, kCode);
    }
    PageFetch fetch;
    GridModel& payouts() { return form.grid(Grid::VSFlexGrid16); }
    GridModel& table() { return form.grid(Grid::VSFlexGrid14); }
    QByteArray sei() const { return readBytes(oddsFile(u"大井10.sei"_s)); }
    QByteArray jyun() const { return readBytes(oddsFile(u"大井10.jyun"_s)); }
    void writeBoth()
    {
        EXPECT_EQ(Sei_write(context).error, QString());
        EXPECT_EQ(Jyun_write(context).error, QString());
    }
    QString mark() const { return form.grid(Grid::VSFlexGrid8).textMatrix(kRow, ScheduleColumn::State); }
    QString cell(Grid grid, int row, int col) const { return form.grid(grid).textMatrix(row, col); }
    int filledPayouts() const
    {
        int n = 0;
        for (int r = 0; r < form.grid(Grid::VSFlexGrid16).rows(); ++r)
            for (int c = 0; c < form.grid(Grid::VSFlexGrid16).cols(); ++c)
                n += !cell(Grid::VSFlexGrid16, r, c).isEmpty();
        return n;
    }
    int dataRows() const
    {
        int n = 0;
        for (int r = 1; r < form.grid(Grid::VSFlexGrid14).rows(); ++r)
            n += !cell(Grid::VSFlexGrid14, r, 1).isEmpty();
        return n;
    }
    QStringList finishRow(int r) const
    {
        QStringList cells;
        for (int c = 1; c <= 14; ++c)
            cells << cell(Grid::VSFlexGrid14, r, c);
        return cells;
    }
};

} // namespace

// The finishers and payouts of a result page; "r,c text" names a payout cell. A scratched horse has
// no margin and its refund line shifts the second table; a first place payout "-" keeps the other
// two without reading them; the second table is found all the same.
TEST_F(Results, CutsEveryFinisherAndEveryPayoutOfACompleteResult)
{
    const QString dashes = u"|3,17 2,560円|8,2 890円"_s;
    const struct {
        const char* name;
        ResultPage page;
        QString payouts;
    } rows[] = {
        {"a horse scratched", resultWithScratch(u"大井"_s, 10, 9),
         u"7,2 460円|7,5 4,520円|7,8 121,350円|9,2 1,230円"_s},
        {"place not sold", resultAfterRace(u"大井"_s, 10, 4), u"4,5 -円|5,5 -円"_s + dashes},
        {"dash above shown payouts",
         changed(resultAfterRace(u"大井"_s, 10, 12), [](ResultPage& p) { p.place[0].yen = u"-"_s; }),
         u"4,5 -円|5,5 -円"_s + dashes},
        {"two place payouts", resultAfterRace(u"大井"_s, 10, 7), u"4,5 230円|5,5 円"_s + dashes},
        {"twelve runners", resultAfterRace(u"大井"_s, 10, 12),
         u"3,2 350円|3,5 150円|4,5 230円|5,5 1,480円|3,8 1,020円|3,11 1,870円|3,17 2,560円|7,2 460円|8,2 890円|"
         u"9,2 1,230円|7,5 4,520円|7,8 121,350円"_s},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.name);
        site.requested.clear();
        const int runners = int(r.page.finishers.size());
        capture(r.page, runners);
        EXPECT_EQ(site.requested, QStringList{kSite + u"/result/"_s + kCode + u".do"_s});
        for (int f = 1; f <= runners; ++f)
            EXPECT_EQ(finishRow(f), expectedRow(r.page.finishers[f - 1])) << "finisher " << f;
        EXPECT_EQ(dataRows(), runners);
        for (const QString& p : r.payouts.split(u'|'))
            EXPECT_EQ(
                cell(Grid::VSFlexGrid16, p.section(u',', 0, 0).toInt(), p.section(u' ', 0, 0).section(u',', 1).toInt()),
                p.section(u' ', 1))
                << p.toStdString();
        EXPECT_EQ(mark(), u"2"_s);
        EXPECT_EQ(readBytes(context.appFile(u"成績.txt"_s)), readBytes(context.appFile(u"tmp.txt"_s)));
    }
    EXPECT_EQ(filledPayouts(), 12);
    // Names, jockeys and trainers come out of their links upper-cased.
    EXPECT_EQ(finishRow(3),
              (QStringList{u"3"_s, u"3"_s, u"3"_s, u"ミッドナイトSTARLIGHT"_s, u"牝6"_s, u"56.0"_s, u"452"_s, u"0"_s,
                           u"本田K"_s, u"1:25.7"_s, u"田中KEN"_s, u"1/2"_s, u"40.2"_s, u"11"_s}));
}

TEST_F(Results, LeavesNoResultWhenThereIsNoneToRead)
{
    const auto after = [](int runners) { return resultPage(resultAfterRace(u"大井"_s, 10, runners)); };
    const auto seventeen =
        changed(resultAfterRace(u"大井"_s, 10, 16), [](ResultPage& p) { p.finishers << p.finishers.last(); });
    const auto noPayouts = changed(resultAfterRace(u"大井"_s, 10, 6), [](ResultPage& p) { p.payouts = false; });
    // An empty body stands for a failed fetch: no page cache at all.
    const struct {
        const char* name;
        QByteArray body;
        int runners;
        bool header;
        int rows;
        const char* mark;
        bool venue = true; // without one nothing is fetched, but the grids are cleared
    } rows[] = {
        {"no venue", QByteArray(), 8, false, 0, "1", false},
        {"fetch failed", QByteArray(), 8, true, 0, "1"},
        {"before the race", resultPage(resultBeforeRace(u"大井"_s, 10)), 12, false, 0, "1"},
        {"fewer finishers than runners", after(10), 12, false, 0, "1"},
        {"more runners than the grid holds", resultPage(seventeen), 17, false, 0, "1"},
        {"no runners", after(8), 0, false, 0, "-1"},
        {"page under 500 bytes", "<html><body><p>メンテナンス中</p></body></html>", 8, true, 0, "1"},
        {"page without the table", "<html><body>\n" + QByteArray(700, 'x') + "\n</body></html>", 8, true, 0, "1"},
        {"page ends before the payouts", resultPage(noPayouts), 6, true, 6, "2"},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.name);
        form.setText(Control::Label1, u"大井"_s);
        capture(resultAfterRace(u"大井"_s, 10, 8), 8); // grids and page copy of an earlier cycle
        site.pages.clear();
        if (!r.body.isEmpty())
            serve(r.body);
        if (!r.venue)
            form.setText(Control::Label1, QString());
        run(r.runners);
        EXPECT_EQ(!cell(Grid::VSFlexGrid14, 0, 14).isEmpty(), r.header);
        EXPECT_EQ(dataRows(), r.rows);
        EXPECT_EQ(filledPayouts(), 0);
        EXPECT_EQ(mark(), QString::fromUtf8(r.mark));
        // Without a venue nothing failed and the last copy stays.
        EXPECT_EQ(QFile::exists(context.appFile(u"成績.txt"_s)), !r.body.isEmpty() || !r.venue);
        EXPECT_EQ(fetch.ok(), !r.body.isEmpty() || !r.venue);
    }
}

TEST_F(Results, TestFlagReadsElevenRunnersFromTheLastPageWithoutFetching)
{
    const struct {
        const char* name;
        int pageRunners;
        int rows;
        const char* mark;
    } rows[] = {
        {"twelve listed, eleven read", 12, 11, "2"},
        {"eleven listed", 11, 11, "2"},
        {"ten listed: incomplete", 10, 0, "1"},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.name);
        form.race.resultTestFlag = 0;
        capture(resultAfterRace(u"大井"_s, 10, r.pageRunners), r.pageRunners);
        const QByteArray copy = readBytes(context.appFile(u"成績.txt"_s));
        site.pages.clear(); // a fetch now would leave no page at all
        site.requested.clear();
        form.race.resultTestFlag = 1;
        run(3);
        EXPECT_TRUE(site.requested.isEmpty());
        EXPECT_EQ(form.race.runnerCount, 11);
        EXPECT_EQ(dataRows(), r.rows);
        EXPECT_EQ(cell(Grid::VSFlexGrid16, 3, 2).isEmpty(), r.rows == 0);
        EXPECT_EQ(mark(), QString::fromUtf8(r.mark));
        EXPECT_EQ(readBytes(context.appFile(u"成績.txt"_s)), copy);
    }
}

TEST_F(Results, WritesBlankFieldsUntilACompleteResultIsCaptured)
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
        writeBoth();
        ASSERT_NE(sei(), kBlankSei);
        capture(r.page, 10);
        writeBoth();
        EXPECT_EQ(sei(), kBlankSei);
        EXPECT_EQ(jyun(), kBlankJyun);
    }
}

// The twelve payouts in field order, and frame, number, name and margin of the first five, byte for
// byte: "円" counts as one character of twelve, only the last 12 of a long payout or name are kept;
// spaces are trimmed, ideographic spaces are not.
TEST_F(Results, SeiAndJyunHoldTheirFieldsInOrder)
{
    const struct {
        int row, col;
        QString text;
    } cells[] = {{3, 2, u"350円"_s},
                 {3, 5, u"-円"_s},
                 {4, 5, u"-円"_s},
                 {5, 5, u"-円"_s},
                 {3, 8, u"1,020円"_s},
                 {3, 11, u" 1,870円 "_s},
                 {7, 2, u"460円"_s},
                 {8, 2, u"890円"_s},
                 {9, 2, u"円"_s},
                 {3, 17, u"2,560円"_s},
                 {7, 5, u"4,520円"_s},
                 {7, 8, u"12,345,678,910円"_s},
                 {3, 14, u"quinella, not written"_s}};
    for (const auto& c : cells)
        payouts().setTextMatrix(c.row, c.col, c.text);
    const QStringList rows[] = {
        {u"not written"_s, u"3"_s, u"5"_s, u"ミッドナイトSTARLIGHT"_s, QString()},
        {u"not written"_s, u"8"_s, u"16"_s, u"ABCDEFGHIJKLM"_s, u"クビ"_s},
        {u"not written"_s, u"1"_s, u"1"_s, u"　ギンガ　"_s, u" 1/2 "_s},
    };
    for (int r = 1; r <= 3; ++r)
        for (int k = 0; k < 5; ++k)
            table().setTextMatrix(r, k < 4 ? k + 1 : 12, rows[r - 1][k]);
    writeBoth();
    const QString data = QString::fromUtf8(KAZEYOMI_SAMPLES_DIR "/../tests/data/writers/fields.");
    EXPECT_EQ(sei(), readBytes(data + u"sei"_s));
    EXPECT_EQ(jyun(), readBytes(data + u"jyun"_s));
}

TEST_F(Results, FallsBackWhenNoTemporaryFileCanBeMade)
{
    // So long a name that the temporary name beside it passes the file system's limit.
    form.setText(Control::Text7, QString(245, u'A'));
    const QString path = oddsFile(QString(245, u'A') + u"10.sei"_s);
    writeBytes(path, "old");
    payouts().setTextMatrix(3, 2, u"350円"_s);
    EXPECT_EQ(Sei_write(context).error, QString());
    EXPECT_EQ(readBytes(path), toCp932(u"        350円"_s) + QByteArray(132, ' ') + "\r\n");
}

TEST_F(Results, Command9WritesOi03AndLeavesTheRaceKeyChanged)
{
    payouts().setTextMatrix(7, 8, u"121,350円"_s);
    EXPECT_EQ(Command9_Click(context).error, QString());
    EXPECT_EQ(form.text(Control::Text7) + form.text(Control::Text8), u"大井03"_s);
    EXPECT_EQ(readBytes(oddsFile(u"大井03.sei"_s)), QByteArray(132, ' ') + toCp932(u"    121,350円\r\n"_s));
    EXPECT_FALSE(QFile::exists(oddsFile(u"大井10.sei"_s)));
    EXPECT_EQ(Jyun_write(context).error, QString()); // later writers use the same key
    EXPECT_TRUE(QFile::exists(oddsFile(u"大井03.jyun"_s)));

    // Unlike the cycle's writers it does not make the day folder.
    ASSERT_TRUE(QDir(folders.oddsFolder()).removeRecursively());
    EXPECT_TRUE(Command9_Click(context).error.contains(u"大井03.sei"_s));
    EXPECT_FALSE(QFileInfo::exists(folders.oddsFolder()));

    // A failed write keeps the old file and names it.
    ASSERT_EQ(folders.createAll(), QStringList());
    writeBytes(oddsFile(u"大井03.sei"_s), "old");
    const QString error = Command9_Click(context, FailingFiles(0, FailingDevice::FailAt::Write)).error;
    EXPECT_TRUE(error.contains(QDir::toNativeSeparators(oddsFile(u"大井03.sei"_s)))) << error.toStdString();
    EXPECT_EQ(readBytes(oddsFile(u"大井03.sei"_s)), "old");
}

// What every writer of a race's files shares, over all eleven of them, on grids the scrapers
// filled from the local site's pages: a history gains one whole line per write and loses
// nothing to a failed one; a result file is replaced whole or kept.
namespace {

using FailAt = FailingDevice::FailAt;
using Writer = std::function<Outcome(Context&, const FileDevices&)>;

const QString kAllCode = u"2025120520011001"_s;

struct WriterRow {
    const char* ext;
    Writer write;
    bool history; // one line appended per write; otherwise the file is replaced
};

const WriterRow kWriters[] = {
    {"tanA", TanA_write, true},   {"Fuk1", Fuk1_write, true},     {"Fuk2", Fuk2_write, true},
    {"uren", Uren_write, true},   {"utan", Utan_write, true},     {"wideL", WideL_write, true},
    {"wideH", WideH_write, true}, {"3fuku", Sanfuku_write, true}, {"3tan", Santan_arrange, true},
    {"sei", Sei_write, false},    {"jyun", Jyun_write, false},
};

class AllWriters : public test::RaceFixture {
protected:
    void SetUp() override
    {
        RaceFixture::SetUp();
        setRace(u"大井"_s, 10);
        capture(6);
    }
    // The grids the scrapers fill from the local site's pages of a race of `runners`: with six, one
    // horse out; with more, the last one excluded too and odds not shown yet for some pairs and
    // triples, among them 8-10 and 1-9-10 above the grey cells of column 8 of the quinella and of
    // horse 1's trio table: taken for those, they would shift the later odds onto the wrong pairs.
    void capture(int runners)
    {
        WinPlacePage race;
        const std::vector<test::RacePage> pages = test::edgeCasePages(race, kAllCode, runners);
        for (const auto& [path, body] : pages)
            site.setPage(test::kSite + path, body, kOddsPageContentType);
        ASSERT_EQ(TanFuku_get(context, kAllCode), ScrapeResult::Parsed);
        ASSERT_EQ(Umafuku_get(context, kAllCode), ScrapeResult::Parsed);
        ASSERT_EQ(Umatan_get(context, kAllCode), ScrapeResult::Parsed);
        ASSERT_EQ(Wide_get(context, kAllCode), ScrapeResult::Parsed);
        ASSERT_EQ(Sanfuku_get(context, kAllCode), ScrapeResult::Parsed);
        ASSERT_EQ(Santan_get(context, kAllCode), ScrapeResult::Parsed);
        ASSERT_TRUE(Seiseki_get(context, kAllCode).ok());
        form.setText(Control::Text9, u"10:25"_s);
    }
    QString file(const WriterRow& w) const { return oddsFile(u"大井10."_s + QString::fromLatin1(w.ext)); }
    QString named(const QString& path) const { return QDir::toNativeSeparators(path); }
    QStringList leftovers() const
    {
        return QDir(folders.oddsFolder()).entryList({u"*T"_s, u"*.writing"_s}, QDir::Files);
    }
};

} // namespace

// Every writer's file byte for byte (CP932, CR LF, the field widths) for races of 6, 12 and 16
// runners; a second write adds a whole line to a history and replaces a result file. With 16 runners
// the fixed bounds of the quinella and wide files leave out the pairs among horses 9 to 16 with 15
// or 16 in them, as they always did.
TEST_F(AllWriters, AHistoryGainsOneWholeLinePerWriteAndAResultFileIsReplaced)
{
    for (const char* race : {"oi10", "oi10-12", "oi10-16"}) {
        const int runners = QByteArray(race).mid(5).toInt();
        if (runners) {
            ASSERT_TRUE(QDir(folders.oddsFolder()).removeRecursively());
            ASSERT_EQ(folders.createAll(), QStringList());
            capture(runners);
        }
        for (const WriterRow& w : kWriters) {
            SCOPED_TRACE(std::string(race) + "." + w.ext);
            form.setText(Control::Text9, u"10:25"_s);
            ASSERT_EQ(w.write(context, realFiles()).error, QString());
            const QByteArray first = test::readBytes(file(w));
            const QString golden = QString::fromUtf8(KAZEYOMI_SAMPLES_DIR "/../tests/data/writers/") +
                                   QString::fromLatin1(race) + u'.' + QString::fromLatin1(w.ext);
            EXPECT_EQ(first, test::readBytes(golden));
            form.setText(Control::Text9, u"10:27"_s);
            ASSERT_EQ(w.write(context, realFiles()).error, QString());
            QByteArray second = first;
            if (w.history)
                second = first + QByteArray(first).replace("10:25", "10:27");
            EXPECT_EQ(test::readBytes(file(w)), second);
            EXPECT_EQ(leftovers(), QStringList());
        }
        if (!runners) { // the two wide writers share their work grid, which shows the upper bounds after a cycle
            EXPECT_EQ(form.grid(Grid::VSFlexGrid18).textMatrix(1, 1), u"1.2"_s);
        }
    }
}

// The disk fills up or the file cannot be closed: the file keeps every byte it had, no
// snapshot or temporary file is left, and the failure names the file that failed.
TEST_F(AllWriters, AFailedWriteLeavesTheFileAsItWasAndNamesIt)
{
    const struct {
        const char* name;
        int open; // odds: 0 the snapshot file, 1 the history; results: 0 the new file
        qint64 budget;
        FailAt at;
    } failures[] = {
        {"first file takes no byte", 0, 0, FailAt::Write},  {"first file cut after 20 bytes", 0, 20, FailAt::Write},
        {"first file fails at close", 0, 0, FailAt::Close}, {"history takes half the line", 1, 60, FailAt::Write},
        {"history fails at close", 1, 60, FailAt::Close},
    };
    for (const WriterRow& w : kWriters) {
        SCOPED_TRACE(w.ext);
        ASSERT_EQ(w.write(context, realFiles()).error, QString());
        const QByteArray before = test::readBytes(file(w));
        form.setText(Control::Text9, u"10:27"_s);
        for (const auto& f : failures) {
            if (!w.history && f.open == 1)
                continue;
            SCOPED_TRACE(f.name);
            const QString error = w.write(context, test::FailingFiles(f.budget, f.at, {f.open})).error;
            const QString failed = w.history && f.open == 0 ? file(w) + u'T' : file(w);
            EXPECT_TRUE(error.contains(named(failed))) << error.toStdString();
            EXPECT_EQ(test::readBytes(file(w)), before);
            EXPECT_EQ(leftovers(), QStringList());
        }
    }
}

// The folders or a file are not as the writers expect. After midnight the new day's folder is not
// there yet: an odds writer reports it and writes nothing; a result writer makes it, but never the
// root above it. A folder where the file should be is refused by every writer and left as it is.
TEST_F(AllWriters, TheFoldersOrTheFileAreNotAsExpected)
{
    for (const WriterRow& w : kWriters) {
        SCOPED_TRACE(w.ext);
        clock.set(QDateTime(QDate(2025, 12, 6), QTime(0, 5)));
        QString error = w.write(context, realFiles()).error;
        EXPECT_TRUE(error.contains(named(w.history ? file(w) + u'T' : QString()))) << error.toStdString();
        EXPECT_EQ(error.isEmpty(), !w.history);
        EXPECT_EQ(QFileInfo::exists(file(w)), !w.history);

        ASSERT_TRUE(QDir(folders.oddsRoot()).removeRecursively());
        error = w.write(context, realFiles()).error;
        EXPECT_TRUE(error.contains(named(w.history ? file(w) + u'T' : folders.oddsFolder()))) << error.toStdString();
        EXPECT_FALSE(QFileInfo::exists(folders.oddsRoot()));

        clock.set(QDateTime(QDate(2025, 12, 5), QTime(14, 30)));
        ASSERT_EQ(folders.createAll(), QStringList());
        ASSERT_TRUE(QDir().mkpath(file(w)));
        error = w.write(context, realFiles()).error;
        EXPECT_TRUE(error.contains(named(file(w)))) << error.toStdString();
        EXPECT_TRUE(QFileInfo(file(w)).isDir());
        EXPECT_EQ(leftovers(), QStringList());
    }
}
