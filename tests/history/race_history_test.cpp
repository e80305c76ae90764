// The race cycle's history: the layout watch against pages whose markup moved, the day's
// database against the files, and what a reader, a corrupt file or a sharp move do to it.
#include "history/race_history.h"

#include <functional>
#include <map>

#include <QDir>
#include <QFile>
#include <QSqlQuery>

#include <gtest/gtest.h>

#include "demo/pair_pages.h"
#include "demo/result_pages.h"
#include "demo/triple_pages.h"
#include "foundation/event_log.h"
#include "foundation/schedule_columns.h"
#include "history/day_import.h"
#include "history/history_database.h"
#include "history/odds_lines.h"
#include "history/odds_series.h"
#include "schedule/race_fetch.h"
#include "scraping/cached_page.h"
#include "support/files.h"
#include "support/race_fixture.h"
#include "support/race_pages.h"

namespace kazeyomi {
namespace {

using namespace Qt::StringLiterals;

constexpr int kRow = 1;
const QString kCode = u"20251205201111"_s;
const QString kAlarm = u"no longer reads as expected"_s;

// What a page has instead of the demo site's markup: every `from` becomes `to` within one
// table, from `scope` (the table's heading or first tag) to the end of that table.
struct Change {
    QString page; // "01.do" ...
    QString scope;
    QList<std::pair<QString, QString>> replace;
};

class RaceHistoryTest : public test::RaceFixture {
protected:
    void SetUp() override
    {
        RaceFixture::SetUp();
        form.grid(Grid::VSFlexGrid8).setTextMatrix(kRow, ScheduleColumn::PageId, kCode);
    }

    static WinPlacePage race(int runners)
    {
        WinPlacePage page;
        page.venue = u"大井"_s;
        page.race = 11;
        page.raceCode = kCode;
        page.runners = sampleRunners(runners);
        page.runners[1].state = WinPlaceRunner::State::Scratched;
        page.runners[runners - 1].placeShown = false;
        return page;
    }

    void serve(const QString& path, const QByteArray& bytes, const Change& change = {})
    {
        QString html = QString::fromUtf8(bytes);
        if (!change.page.isEmpty() && path.endsWith(change.page)) {
            const qsizetype from = html.indexOf(change.scope);
            ASSERT_GE(from, 0) << change.scope.toStdString();
            const qsizetype to = html.indexOf(u"</table>"_s, from);
            QString table = html.mid(from, to - from);
            const QString before = table;
            for (const auto& [a, b] : change.replace)
                table.replace(a, b);
            ASSERT_NE(table, before);
            html = html.left(from) + table + html.mid(to);
        }
        site.setPage(test::kSite + path, html.toUtf8(), kOddsPageContentType);
    }

    // Every page of a race drawn from its win/place page, with combinations not on sale yet.
    void serveRace(const WinPlacePage& odds, const Change& change = {})
    {
        for (const auto& [path, body] : test::racePages(odds, true))
            serve(path, body, change);
    }

    RaceOutcome cycle(RaceHistory& history)
    {
        RaceCycle races(context);
        races.setObserver(&history);
        return races.Race_get(u"大井"_s, 11, kRow);
    }

    QStringList logSince(qsizetype from, const QString& containing) const
    {
        QStringList lines;
        // The texts themselves: the log adds the race being fetched in front of each line.
        const auto& entries = form.events().entries();
        for (auto it = entries.begin() + from; it != entries.end(); ++it)
            if (it->level != LogLevel::Info && it->text.contains(containing))
                lines << it->text;
        return lines;
    }

    QString databasePath() const { return oddsFile(kHistoryFileName); }
};

// The stored odds of a bet type of a fetch, as a page reading.
BetReading storedBet(HistoryDatabase& db, qint64 fetch, BetType type)
{
    BetReading bet{type, {}};
    QSqlQuery q(db.database());
    q.prepare(u"SELECT combination, shown, odds, low, high, mark, highlight FROM odds WHERE fetch_id = ? AND "
              "bet_type = ? ORDER BY combination"_s);
    q.addBindValue(fetch);
    q.addBindValue(betTypeKey(type));
    EXPECT_TRUE(q.exec());
    const auto text = [&](int c) {
        return q.value(c).isNull() ? QString() : QString::number(q.value(c).toDouble(), 'f', 1);
    };
    while (q.next()) {
        ShownOdds o;
        o.combination = q.value(0).toString();
        o.shown = q.value(1).toString();
        o.low = q.value(2).isNull() ? text(3) : text(2);
        o.high = text(4);
        const QString mark = q.value(5).toString();
        o.mark = mark == u"out"_s           ? ShownOdds::Mark::Out
                 : mark == u"not_on_sale"_s ? ShownOdds::Mark::NotOnSale
                                            : ShownOdds::Mark::None;
        o.classes = q.value(6).toString();
        bet.odds << o;
    }
    return bet;
}

qint64 count(HistoryDatabase& db, const QString& sql)
{
    QSqlQuery q(db.database());
    EXPECT_TRUE(q.exec(sql) && q.next()) << sql.toStdString();
    return q.value(0).toLongLong();
}

TEST_F(RaceHistoryTest, TheDatabaseAgreesWithTheFilesAndHoldsWhatTheyCannotCarry)
{
    serveRace(race(16));
    RaceHistory history(context);
    const RaceOutcome outcome = cycle(history);
    ASSERT_EQ(outcome.written.size(), 11) << outcome.failures.join(u"; "_s).toStdString();
    EXPECT_EQ(logSince(0, {}).join(u'\n').toStdString(), "");

    HistoryDatabase db(databasePath(), true);
    ASSERT_TRUE(db.ok()) << db.error().toStdString();
    ASSERT_EQ(count(db, u"SELECT COUNT(*) FROM fetches"_s), 1);
    const qint64 fetch = count(db, u"SELECT fetch_id FROM fetches"_s);
    const BetReading win = storedBet(db, fetch, BetType::Win);
    for (const OddsFileKind& kind : oddsFileKinds()) {
        SCOPED_TRACE(kind.extension.toStdString());
        const OddsLine line = parseOddsLine(kind.extension, lastLineOf(oddsFile(u"大井11"_s + kind.extension)));
        const BetReading stored = storedBet(db, fetch, kind.type);
        const auto mismatch = firstMismatch(kind.extension, line, stored, &win);
        EXPECT_FALSE(mismatch) << mismatch->combination.toStdString() << " " << mismatch->page.toStdString() << " "
                               << mismatch->file.toStdString();
        EXPECT_EQ(line.time, u"14:25"_s);
    }
    // Every pair and triple the pages showed; the quinella and wide files carry 107 of the 120.
    const struct {
        BetType type;
        int stored;
        const char16_t* file;
        int filed;
    } sizes[] = {
        {BetType::Win, 16, u".tanA", 16},        {BetType::Exacta, 240, u".utan", 256},
        {BetType::Quinella, 120, u".uren", 107}, {BetType::Wide, 120, u".wideL", 107},
        {BetType::Trio, 560, nullptr, 0},        {BetType::Trifecta, 3360, u".3tan", 3600},
    };
    for (const auto& s : sizes) {
        SCOPED_TRACE(betTypeKey(s.type).toStdString());
        EXPECT_EQ(storedBet(db, fetch, s.type).odds.size(), s.stored);
        if (s.file == nullptr)
            continue;
        const QString extension = QString::fromUtf16(s.file);
        EXPECT_EQ(parseOddsLine(extension, lastLineOf(oddsFile(u"大井11"_s + extension))).fields.size(), s.filed);
    }
    EXPECT_EQ(storedBet(db, fetch, BetType::Quinella).find(u"15-16"_s)->low,
              quinellaWidePage(race(16)).quinella.at(15, 16).odds);
    EXPECT_EQ(count(db, u"SELECT COUNT(*) FROM results"_s), 16);
    EXPECT_EQ(count(db, u"SELECT COUNT(*) FROM payouts WHERE bet_type = '三連単' AND yen = 121350"_s), 1);
}

// Every bet type's table changed four ways: each change raises exactly one alarm, naming the
// race and the first cell where the file and the page differ; the unchanged pages none.
TEST_F(RaceHistoryTest, AChangedLayoutRaisesOneAlarmNamingTheFirstDifferingCell)
{
    for (const QStringList& r : test::dataRows(u"layout_alarms.tsv"_s)) {
        SCOPED_TRACE(r[0].toStdString());
        Change change{r[1], r[2], {}};
        for (qsizetype i = 4; i + 1 < r.size(); i += 2)
            change.replace.append({r[i], r[i + 1]});
        serveRace(race(12), change);
        RaceHistory history(context);
        const qsizetype from = qsizetype(form.events().entries().size());
        (void)cycle(history);
        const QStringList alarms = logSince(from, kAlarm);
        EXPECT_EQ(alarms, r[3].isEmpty() ? QStringList() : QStringList{u"the site's "_s + r[3]});
    }
}

TEST_F(RaceHistoryTest, AReaderInsideATransactionDoesNotHoldUpACycle)
{
    serveRace(race(8));
    RaceHistory history(context);
    (void)cycle(history);
    HistoryDatabase reader(databasePath(), true);
    ASSERT_TRUE(reader.ok()) << reader.error().toStdString();
    ASSERT_TRUE(reader.database().transaction());
    EXPECT_EQ(count(reader, u"SELECT COUNT(*) FROM fetches"_s), 1);

    clock.advance(60);
    const RaceOutcome second = cycle(history);
    EXPECT_EQ(second.written.size(), 11);
    EXPECT_EQ(logSince(0, {}).join(u'\n').toStdString(), "");
    // The reader keeps its view until it ends its transaction, then sees the new cycle.
    EXPECT_EQ(count(reader, u"SELECT COUNT(*) FROM fetches"_s), 1);
    ASSERT_TRUE(reader.database().commit());
    EXPECT_EQ(count(reader, u"SELECT COUNT(*) FROM fetches"_s), 2);
}

TEST_F(RaceHistoryTest, ADatabaseThatCannotBeUsedIsToldOnceAndTheFilesAreWritten)
{
    const struct {
        const char* name;
        std::function<void(const QString&)> spoil;
    } rows[] = {
        {"not a database", [](const QString& path) { test::writeBytes(path, QByteArray(8192, 'x')); }},
        {"a folder in its place", [](const QString& path) { ASSERT_TRUE(QDir().mkpath(path)); }},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.name);
        QDir(folders.oddsFolder()).removeRecursively();
        ASSERT_TRUE(QDir().mkpath(folders.oddsFolder()));
        r.spoil(databasePath());
        serveRace(race(8));
        RaceHistory history(context);
        const qsizetype from = qsizetype(form.events().entries().size());
        for (int i = 0; i < 2; ++i) {
            EXPECT_EQ(cycle(history).written.size(), 11);
            clock.advance(60);
        }
        const QStringList told = logSince(from, {});
        ASSERT_EQ(told.size(), 1) << told.join(u'\n').toStdString();
        EXPECT_TRUE(told[0].contains(databasePath())) << told[0].toStdString();
        EXPECT_EQ(linesOf(oddsFile(u"大井11.tanA"_s)).size(), 2);
        EXPECT_EQ(linesOf(oddsFile(u"大井11.3tan"_s)).size(), 2);
    }
}

// The odds rows of a database, numbers only, by odds time, bet type and combination.
std::map<QString, QString> numericRows(HistoryDatabase& db)
{
    std::map<QString, QString> rows;
    QSqlQuery q(db.database());
    EXPECT_TRUE(q.exec(u"SELECT f.odds_time, o.bet_type, o.combination, o.odds, o.low, o.high FROM odds o "
                       "JOIN fetches f ON f.fetch_id = o.fetch_id WHERE o.mark = ''"_s));
    while (q.next())
        rows[q.value(0).toString() + u' ' + q.value(1).toString() + u' ' + q.value(2).toString()] =
            q.value(3).toString() + u'/' + q.value(4).toString() + u'/' + q.value(5).toString();
    return rows;
}

TEST_F(RaceHistoryTest, AnImportOfTheFilesGivesTheOddsRowsOfTheLiveDatabase)
{
    RaceHistory history(context);
    WinPlacePage odds = race(12);
    for (const QString& time : {u"14:25"_s, u"14:27"_s}) {
        odds.time = time;
        odds.runners[0].win = time == u"14:25"_s ? u"3.4"_s : u"1,002.5"_s;
        serveRace(odds);
        ASSERT_EQ(cycle(history).written.size(), 11);
        clock.advance(120);
    }
    HistoryDatabase live(databasePath(), true);
    QTemporaryDir other;
    const QString copy = QDir(other.path()).filePath(folders.dayKey());
    ASSERT_TRUE(QDir().mkpath(copy));
    for (const QString& name : QDir(folders.oddsFolder()).entryList({u"大井11.*"_s}, QDir::Files))
        ASSERT_TRUE(QFile::copy(oddsFile(name), QDir(copy).filePath(name)));
    HistoryDatabase imported(QDir(copy).filePath(kHistoryFileName));
    const Counted done = importOddsFolder(copy, imported);
    ASSERT_TRUE(done.ok()) << done.error.toStdString();
    EXPECT_EQ(done.count, 2);
    EXPECT_EQ(importOddsFolder(copy, imported).count, 0); // imported once only
    const auto liveRows = numericRows(live);
    // Eleven horses running (2 is out; 12 has no place odds), one exacta, trio and trifecta not
    // on sale yet: win 11, place 10, quinella 55, exacta 109, wide 55, trio 164, trifecta 989.
    EXPECT_EQ(liveRows.size(), 2u * 1393);
    const auto importedRows = numericRows(imported);
    QStringList differ;
    for (const auto& [key, value] : liveRows)
        // A file keeps only the last 8 characters of a longer value: 1333681.0 is 333681.0 there.
        if (QString::number(value.section(u'/', 0, 0).toDouble(), 'f', 1).size() <= 8 &&
            (!importedRows.contains(key) || importedRows.at(key) != value))
            differ << key + u": live "_s + value + u", imported "_s +
                          (importedRows.contains(key) ? importedRows.at(key) : u"none"_s);
    for (const auto& [key, value] : importedRows)
        if (!liveRows.contains(key))
            differ << key + u": imported "_s + value + u", not live"_s;
    EXPECT_EQ(differ.mid(0, 5).join(u'\n').toStdString(), "") << differ.size() << " rows differ";
}

TEST_F(RaceHistoryTest, ASharpFallOfWinOddsIsToldOnceAndStored)
{
    RaceHistory history(context);
    WinPlacePage odds = race(8);
    const qsizetype from = qsizetype(form.events().entries().size());
    // 10.0, then 6.5 a minute later (35 % down), then 6.4: one fall, told once; 8.0 (20 %) is none.
    for (const char16_t* win : {u"10.0", u"6.5", u"6.4"}) {
        odds.runners[0].win = QString::fromUtf16(win);
        odds.runners[2].win = QString::fromUtf16(win) == u"10.0"_s ? u"10.0"_s : u"8.0"_s;
        serveRace(odds);
        (void)cycle(history);
        clock.advance(60);
    }
    EXPECT_EQ(logSince(from, u"win odds fell"_s),
              QStringList{u"大井 11R: horse 01's win odds fell 35 % in 60 s, from 10.0 to 6.5"_s});
    HistoryDatabase db(databasePath(), true);
    EXPECT_EQ(count(db, u"SELECT COUNT(*) FROM moves WHERE combination = '01' AND to_odds = 6.5"_s), 1);
    EXPECT_EQ(count(db, u"SELECT COUNT(*) FROM moves"_s), 1);

    // The chart's reading of the same day: each horse's line over the three fetches, the
    // scratched horse with none, and the fall marked where it ended.
    const WinOddsSeries series = winOddsSeries(db.database(), u"大井"_s, 11);
    ASSERT_TRUE(series.ok()) << series.error.toStdString();
    ASSERT_EQ(series.horses.size(), 8);
    const QDateTime t0 = clock.now().addSecs(-180);
    const auto at = [&](int minute, double odds) { return std::pair{t0.addSecs(60 * minute), odds}; };
    const auto pairs = [](const QList<OddsPoint>& points) {
        QList<std::pair<QDateTime, double>> out;
        for (const OddsPoint& p : points)
            out << std::pair{p.at, p.odds};
        return out;
    };
    const HorseOdds& first = series.horses[0];
    EXPECT_EQ(first.horse, u"01"_s);
    EXPECT_EQ(pairs(first.points), (QList{at(0, 10.0), at(1, 6.5), at(2, 6.4)}));
    EXPECT_EQ(pairs(first.moves), QList{at(1, 6.5)});
    EXPECT_FALSE(first.scratched);
    EXPECT_EQ(series.horses[1].horse, u"02"_s);
    EXPECT_TRUE(series.horses[1].scratched);
    EXPECT_TRUE(series.horses[1].points.isEmpty());
    EXPECT_EQ(pairs(series.horses[2].points), (QList{at(0, 10.0), at(1, 8.0), at(2, 8.0)}));
    EXPECT_TRUE(series.horses[2].moves.isEmpty());
    EXPECT_TRUE(winOddsSeries(db.database(), u"大井"_s, 10).horses.isEmpty());
}

} // namespace
} // namespace kazeyomi
