// The trio and trifecta scrapers on page caches written line by line: the copy into the work
// file, the cells read by count, and pages that end early or break the layout.
#include <algorithm>
#include <set>

#include <QDir>
#include <QFile>

#include <gtest/gtest.h>

#include "demo/triple_pages.h"
#include "fetch/page_fetcher.h"
#include "foundation/controls.h"
#include "foundation/fixed_fields.h"
#include "foundation/grid_layouts.h"
#include "foundation/grid_model.h"
#include "foundation/text_codec.h"
#include "odds/capture/sanfuku_scraper.h"
#include "odds/capture/santan_scraper.h"
#include "odds/capture/triple_table.h"
#include "odds/files/triple_writers.h"
#include "support/files.h"
#include "support/race_fixture.h"

using namespace kazeyomi;
using namespace Qt::StringLiterals;

namespace {

TEST(SplitAtCells, PutsEachCellOnALineAndDropsTheHighlights)
{
    for (const QStringList& r : test::dataRows(u"cell_splits.tsv"_s)) {
        SCOPED_TRACE(r[0].toStdString());
        EXPECT_EQ(splitAtCells(r[1], r[2] == u"yes"_s), r[3]);
    }
}

class TripleScrapers : public test::RaceFixture {
protected:
    void SetUp() override
    {
        RaceFixture::SetUp();
        setRace(u"大井"_s, 10);
    }
    // The page cache as the fetch leaves it: one quoted record, with the site's navigation above
    // the tables to take it past the size of an error page.
    void cache(const QStringList& lines)
    {
        const QString navigation = u"<div>"_s + QString(1800, u'n') + u"</div>"_s;
        test::writeCp932(QDir(app.path()).filePath(u"tmp.txt"_s),
                         u"\""_s + navigation + u"\r\n"_s + lines.join(u"\r\n"_s) + u"\"\r\n"_s);
    }
    QString workFile() const { return fromCp932(test::readBytes(QDir(app.path()).filePath(u"tmp2.txt"_s))); }
    QString cell(Grid g, int row, int col) { return form.grid(g).textMatrix(row, col); }

    // One trio table of `rows` rows as the page cache shows it; `slots` gives a row's slots.
    static QStringList trioTable(int b, int rows, const std::function<QString(int)>& slots)
    {
        QStringList lines{u"<p>%1番を含む組番</p>"_s.arg(b), u"<table class=\"\"odds\"\">"_s, u"<tbody><tr> "_s};
        for (int k = 1; k <= rows; ++k) {
            if (k > 1)
                lines << u"<tr>"_s;
            lines << slots(k) << u"</tr>"_s;
        }
        return lines << u"</tbody></table>"_s;
    }
    // Every cell names the last horse of the race, so that the tables show its field.
    QString slots(const QStringList& cells) const
    {
        QString line;
        for (const QString& c : cells)
            line += u"<th>%1</th><td>"_s.arg(form.race.runnerCount) + c + u"</td>"_s;
        for (qsizetype i = cells.size(); i < 8; ++i)
            line += u"<th></th><td class=\"\"odds-none\"\"></td>"_s;
        return line;
    }
};

TEST_F(TripleScrapers, TrioCellsAreReadElevenLinesARowAndRebuilt)
{
    form.race.runnerCount = 4;
    QStringList page{u"<div class=\"\"top\"\">"_s};
    page << trioTable(1, 2, [this](int k) {
        return k == 1 ? slots({u"12.3"_s, u"<span class=\"\"nk23_u-color33\"\">4.5</span>"_s}) : slots({u"－"_s});
    });
    page << trioTable(2, 2, [this](int k) { return k == 1 ? slots({u"1,234.5"_s, u"n/a"_s}) : slots({u""_s}); });
    page << u"</div>"_s;
    cache(page);
    EXPECT_EQ(cutTrioPage(context), ScrapeResult::Parsed);
    EXPECT_EQ(cell(Grid::VSFlexGrid11, 1, 1), u"12.3"_s);
    EXPECT_EQ(cell(Grid::VSFlexGrid11, 1, 2), u"4.5"_s);
    EXPECT_EQ(cell(Grid::VSFlexGrid11, 1, 3), QString());
    EXPECT_EQ(cell(Grid::VSFlexGrid11, 2, 1), u"***"_s);
    EXPECT_EQ(cell(Grid::VSFlexGrid11, 3, 1), u"1,234.5"_s);
    EXPECT_EQ(cell(Grid::VSFlexGrid11, 3, 2), u"N/A"_s);
    // Blocks 3 and 4 are not on the page; the reading stops at the end of the work file.
    EXPECT_EQ(cell(Grid::VSFlexGrid11, 5, 1), QString());
    EXPECT_EQ(cell(Grid::VSFlexGrid20, 1, 2), u"4.5"_s);
    EXPECT_EQ(cell(Grid::VSFlexGrid20, 2, 1), u"***"_s);
    // Every line of a table goes into the work file, from its "<p>" to the line before its end.
    const QStringList work = workFile().split(u"\r\n"_s);
    EXPECT_EQ(work.first(), u"<p>1番を含む組番</p>"_s);
    EXPECT_EQ(work.count(u"</tbody></table>"_s), 0);
    EXPECT_EQ(work.count(u"<tbody><tr> "_s), 2);
    EXPECT_FALSE(work.contains(u"<div class=\"\"top\"\">"_s));
}

// Pages that end inside a table, a table end that also opens the next table, a page without
// tables: the scrapers stop, and without a table there is nothing to write from.
TEST_F(TripleScrapers, BrokenLayoutsEndTheReadingWithoutHanging)
{
    form.race.runnerCount = 3;
    const QString row = slots({u"5.5"_s});
    const struct {
        const char* name;
        QStringList lines;
        ScrapeResult result;
    } pages[] = {
        {"ends inside a table", {u"<p>1</p>"_s, u"<tbody><tr> "_s, row, u"</tr>"_s}, ScrapeResult::Parsed},
        {"table end holds <p>",
         {u"<p>1</p>"_s, u"<tbody><tr> "_s, row, u"</tr>"_s, u"</tbody></table><p>2</p>"_s, u"<tbody><tr> "_s, row},
         ScrapeResult::Parsed},
        {"no <p>", {u"<table>"_s, u"<tbody><tr> "_s, row, u"</tbody></table>"_s}, ScrapeResult::NoData},
        {"nothing", {}, ScrapeResult::NoData},
    };
    for (const auto& p : pages) {
        SCOPED_TRACE(p.name);
        cache(p.lines);
        form.grid(Grid::VSFlexGrid11).clear();
        EXPECT_EQ(cutTrioPage(context), p.result);
        EXPECT_EQ(cutTrifectaPage(context), p.result);
        if (p.result == ScrapeResult::Parsed) {
            EXPECT_EQ(cell(Grid::VSFlexGrid11, 1, 1), u"5.5"_s);
        }
    }
}

// Only lines with a plain "<th>", "<tbody><tr>" or "<p>" reach the trifecta's work file; a
// line with the last two goes in twice. The cells follow the second line after "<tbody><tr>".
TEST_F(TripleScrapers, TrifectaWorkFileAndCells)
{
    form.race.runnerCount = 3;
    const QString row1 = u"<th>2</th><td>11.1</td><th>3</th><td>－</td>"_s;
    const QString row2 = u"<tr><th>2</th><td>33.3</td><th>3</th><td>44.4</td></tr>"_s;
    cache({u"<p class=\"\"time\"\">14:25</p>"_s, u"<p>1着 1番</p><table><tbody><tr>"_s, row1 + u"</tr>"_s, row2,
           u"</tbody></table>"_s, u"<p>1着 2番</p>"_s, u"<div>"_s, u"<tbody><tr>"_s, row1, u"</tr>"_s,
           u"</tbody></table>"_s});
    EXPECT_EQ(cutTrifectaPage(context), ScrapeResult::Parsed);
    EXPECT_EQ(workFile(), u"<p>1着 1番</p><table><tbody><tr>\r\n<p>1着 1番</p><table><tbody><tr>\r\n"
                          "\r\n2</th><td>11.1</td>\r\n3</th><td>－</td></tr>\r\n"
                          "<tr>\r\n2</th><td>33.3</td>\r\n3</th><td>44.4</td></tr>\r\n"
                          "<p>1着 2番</p>\r\n<tbody><tr>\r\n\r\n2</th><td>11.1</td>\r\n3</th><td>－</td>\r\n"_s);
    // The doubled line is the line after "<tbody><tr>", so the first cell line is the empty one.
    EXPECT_EQ(cell(Grid::VSFlexGrid13, 1, 1), QString());
    EXPECT_EQ(cell(Grid::VSFlexGrid13, 1, 2), u"11.1"_s);
    EXPECT_EQ(cell(Grid::VSFlexGrid13, 1, 3), u"***"_s);
}

TEST_F(TripleScrapers, LabelsFollowTheRunnerCount)
{
    const struct {
        int runners;
        int lastLabelled; // the last labelled row of VSFlexGrid13
    } cases[] = {{5, 36}, {8, 105}, {9, 144}, {10, 180}, {16, 480}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.runners);
        form.race.runnerCount = qint16(c.runners);
        EXPECT_EQ(Santan_get(context, u"X"_s), ScrapeResult::NoData); // the fake site has no page
        const GridModel& grid = form.grid(Grid::VSFlexGrid13);
        for (int r = 1; r < grid.rows(); ++r)
            ASSERT_EQ(grid.textMatrix(r, 0),
                      r <= c.lastLabelled ? QString::number((r - 1) % (c.runners - 1) + 1) : QString())
                << r;
        EXPECT_EQ(grid.textMatrix(0, 8), u"8"_s);
    }
    form.race.runnerCount = 5;
    EXPECT_EQ(Sanfuku_get(context, u"X"_s), ScrapeResult::NoData);
    const GridModel& trio = form.grid(Grid::VSFlexGrid11);
    EXPECT_EQ(trio.textMatrix(3, 0), u"1"_s);
    EXPECT_EQ(trio.textMatrix(13, 0), u"5"_s);
    EXPECT_EQ(trio.textMatrix(15, 0), u"5"_s);
    EXPECT_EQ(trio.textMatrix(16, 0), QString());
    form.race.runnerCount = 2;
    EXPECT_EQ(Sanfuku_get(context, u"X"_s), ScrapeResult::NoData);
    EXPECT_EQ(trio.textMatrix(1, 0), QString());
}

// What the file says of a triple the page shows as `cell`: the odds' last 8 characters.
QByteArray fileOdds(const PairCell& cell)
{
    return cell.state == PairCell::State::Odds ? formatOneDecimal(cell.odds).toLatin1().right(8) : "***";
}

// The stand-in site's pages through the scrapers and the writers: every trio and trifecta of the
// file carries the odds the page shows for it, with a horse out and triples not shown yet.
TEST_F(TripleScrapers, EveryOddsOfTheSitesPagesReachesItsOwnField)
{
    for (int n : {3, 4, 5, 8, 9, 10, 12, 15, 16}) {
        SCOPED_TRACE(n);
        for (const QString& ext : {u"3fuku"_s, u"3tan"_s})
            QFile::remove(oddsFile(u"大井10."_s + ext));
        WinPlacePage race;
        race.raceCode = u"2025120520011"_s;
        race.runners = sampleRunners(n);
        race.runners[n / 2].state = WinPlaceRunner::State::Scratched;
        // Not shown yet: on the trio page in all three tables, so it is never written.
        const QList<std::array<int, 3>> blank = {{1, 2, 3}, {n - 2, n - 1, n}};
        const TrioPage trio = trioPage(race, n >= 6 ? blank : QList<std::array<int, 3>>{});
        const TrifectaPage trifecta = trifectaPage(race, blank);
        const QString base = test::kSite + u"/odds/"_s + race.raceCode;
        site.setPage(base + u"09.do"_s, trio.html, kOddsPageContentType);
        site.setPage(base + u"08.do"_s, trifecta.html, kOddsPageContentType);
        form.race.runnerCount = qint16(n);

        ASSERT_EQ(Sanfuku_get(context, race.raceCode), ScrapeResult::Parsed);
        // The copy is the rendered page the trio scraper read.
        EXPECT_EQ(test::readBytes(context.appFile(u"三連複.txt"_s)),
                  PageFetcher::preparePage(trio.html, kOddsPageContentType, MarkupStyle::Modern)->bytes);
        ASSERT_TRUE(Sanfuku_write(context).ok());
        QByteArray line = test::readBytes(oddsFile(u"大井10.3fuku"_s));
        ASSERT_EQ(line.count("\r\n"), 1);
        int withOdds = 0;
        std::set<std::array<int, 3>> seen;
        for (qsizetype at = 5; at + 16 <= line.size() - 2; at += 16) {
            std::array<int, 3> t{line.mid(at, 2).toInt(), line.mid(at + 3, 2).toInt(), line.mid(at + 6, 2).toInt()};
            std::sort(t.begin(), t.end());
            const QByteArray odds = line.mid(at + 8, 8).trimmed();
            if (seen.insert(t).second) {
                ++withOdds;
                EXPECT_EQ(odds, fileOdds(trio.shown.at(t[0], t[1], t[2]))) << t[0] << '-' << t[1] << '-' << t[2];
            } else {
                EXPECT_EQ(odds, "***");
            }
        }
        // A blank trio ends its column's walk in each of its tables, so only the others are met.
        if (n < 6) {
            EXPECT_EQ(withOdds, n * (n - 1) * (n - 2) / 6);
        }

        ASSERT_EQ(Santan_get(context, race.raceCode), ScrapeResult::Parsed);
        EXPECT_EQ(test::readBytes(context.appFile(u"三連単.txt"_s)),
                  PageFetcher::preparePage(trifecta.html, kOddsPageContentType, MarkupStyle::Modern)->bytes);
        ASSERT_TRUE(Santan_arrange(context).ok());
        EXPECT_EQ(form.race.runnerCount, n - 1); // the block size, as the writer leaves it
        line = test::readBytes(oddsFile(u"大井10.3tan"_s));
        ASSERT_EQ(line.size(), 5 + 16 * n * (n - 1) * (n - 1) + 2);
        qsizetype at = 5;
        for (int a = 1; a <= n; ++a)
            for (int b = 1; b <= n; ++b)
                for (int c = 1; c <= n; ++c) {
                    if (a == b || a == c)
                        continue;
                    const QByteArray odds = b == c ? "***" : fileOdds(trifecta.shown.at(a, b, c));
                    ASSERT_EQ(line.mid(at, 16), QString::asprintf("%02d-%02d-%02d%8s", a, b, c, odds.constData()))
                        << at;
                    at += 16;
                }
    }
}

// A short trio page leaves neither its cells nor the staircases of the race before.
TEST_F(TripleScrapers, AShortTrioPageClearsBothTrioGrids)
{
    form.race.runnerCount = 5;
    form.grid(Grid::VSFlexGrid20).setTextMatrix(1, 1, u"12.3"_s);
    form.grid(Grid::VSFlexGrid11).setTextMatrix(1, 1, u"12.3"_s);
    site.setPage(test::kSite + u"/odds/X09.do"_s, "<html><body><p>busy</p></body></html>", kOddsPageContentType);
    EXPECT_EQ(Sanfuku_get(context, u"X"_s), ScrapeResult::NoData);
    EXPECT_EQ(cell(Grid::VSFlexGrid20, 1, 1), QString());
    EXPECT_EQ(cell(Grid::VSFlexGrid11, 1, 1), QString());
    EXPECT_EQ(cell(Grid::VSFlexGrid11, 1, 0), u"1"_s);
}

} // namespace
