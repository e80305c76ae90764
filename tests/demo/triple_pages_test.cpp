#include "demo/triple_pages.h"

#include <algorithm>

#include <QRegularExpression>
#include <QSet>
#include <QStringList>

#include <gtest/gtest.h>

#include "demo/odds_pages.h"
#include "fetch/page_fetcher.h"
#include "foundation/text_codec.h"

using namespace kazeyomi;
using namespace Qt::StringLiterals;

namespace {

using Triple = std::array<int, 3>;

struct Field {
    const char* name;
    int runners;
    QList<int> scratched;
    Triple blank;
};

const Field kFields[] = {
    {"3 runners, the only triple not shown in one order", 3, {}, {3, 2, 1}},
    {"4 runners, the last out", 4, {4}, {1, 2, 3}},
    {"5 runners", 5, {2}, {1, 3, 5}},
    {"8 runners", 8, {8}, {2, 7, 5}},
    {"9 runners", 9, {9}, {1, 2, 3}},
    {"10 runners, the first with a second half", 10, {3}, {9, 10, 1}},
    {"12 runners", 12, {12}, {4, 10, 11}},
    {"15 runners", 15, {15}, {9, 13, 14}},
    {"16 runners", 16, {3, 16}, {10, 14, 15}},
};

WinPlacePage raceOf(const Field& field)
{
    WinPlacePage race;
    race.raceCode = u"2025120520010307"_s;
    race.runners = sampleRunners(field.runners);
    for (int horse : field.scratched)
        race.runners[horse - 1].state = WinPlaceRunner::State::Scratched;
    return race;
}

QString cacheOf(const QByteArray& html)
{
    return PageFetcher::cacheText(PageFetcher::renderPage(html, kOddsPageContentType, MarkupStyle::Modern).markup);
}

QList<int> othersThan(int horse, int runners)
{
    QList<int> others;
    for (int h = 1; h <= runners; ++h)
        if (h != horse)
            others << h;
    return others;
}

// A slot line as the scrapers cut it, as "horse:odds": the horse before "</th>", the odds
// between "</th><td>" and "</td>", the highlight spans removed. An empty slot, whose <td> has
// attributes and reads empty, gives "#"; a head slot "^" and its horse.
QString cellOf(const QString& piece)
{
    const QString horse = piece.left(piece.indexOf(u"</th>"_s));
    if (piece.contains(u"odds-none"_s))
        return u"#"_s;
    if (piece.contains(u"odds-head"_s))
        return u"^"_s + horse;
    const qsizetype from = piece.indexOf(u"</th><td>"_s) + 9;
    QString odds = from < 9 ? u"?"_s : piece.mid(from, piece.indexOf(u"</td>"_s) - from);
    return horse + u":"_s + odds.remove(QRegularExpression(u"<span class=\"\"[^\"]*\"\">|</span>"_s));
}

std::string joined(const QStringList& cells)
{
    return cells.join(u' ').toStdString();
}

// What a triple must read, from the field rather than the board: "－" with a horse out,
// nothing when not shown yet, odds such as "1,234.5" otherwise.
QString expectedOdds(const Field& field, const TripleBoard& board, Triple triple, bool anyOrder)
{
    Triple blank = field.blank;
    if (anyOrder) {
        std::sort(blank.begin(), blank.end());
        std::sort(triple.begin(), triple.end());
    }
    if (std::any_of(triple.begin(), triple.end(), [&](int h) { return field.scratched.contains(h); }))
        return u"－"_s;
    if (triple == blank)
        return {};
    const QString odds = board.at(triple[0], triple[1], triple[2]).odds;
    EXPECT_TRUE(QRegularExpression(u"^\\d{1,3}(,\\d{3})*\\.\\d$"_s).match(odds).hasMatch()) << odds.toStdString();
    return odds;
}

// Column j of horse b's trio table, top to bottom, read as cellOf does: o_j's trios with each later other, then a head
// ("^" and the horse) naming o_{17-j} and its trios with the others after it, then empty slots down to row N - 2.
QStringList trioColumn(const Field& field, const TripleBoard& board, int b, int j)
{
    const QList<int> others = othersThan(b, field.runners);
    const qsizetype count = others.size();
    QStringList column;
    const auto trios = [&](qsizetype second) {
        for (qsizetype third = second + 1; third < count; ++third)
            column << QString::number(others[third]) + u":"_s +
                          expectedOdds(field, board, {b, others[second], others[third]}, true);
    };
    if (j <= count)
        trios(j - 1);
    if (17 - j < count) {
        column << u"^"_s + QString::number(others[16 - j]);
        trios(16 - j);
    }
    while (column.size() < count - 1)
        column << u"#"_s;
    return column;
}

TEST(TrioPage, EachHorsesTableReadsRowByRowAndHoldsAllItsTriosOnce)
{
    for (const Field& field : kFields) {
        SCOPED_TRACE(field.name);
        const int n = field.runners;
        const TrioPage page = trioPage(raceOf(field), {field.blank});
        const QStringList lines = cacheOf(page.html).split(u"\r\n"_s);
        EXPECT_EQ(lines.filter(u"<p>"_s).size(), n);
        qsizetype at = 0;
        for (int b = 1; b <= n; ++b) {
            SCOPED_TRACE(b);
            at = lines.indexOf(u"<tbody><tr> "_s, at);
            ASSERT_GE(at, 0);
            QList<QStringList> read(8);
            for (int k = 1; k <= n - 2; ++k, at += 3) {
                EXPECT_EQ(lines[at], k == 1 ? u"<tbody><tr> "_s : u"<tr>"_s);
                const QStringList pieces = lines[at + 1].split(u"<th>"_s);
                ASSERT_EQ(pieces.size(), 9) << lines[at + 1].toStdString();
                EXPECT_EQ(pieces[0], QString());
                EXPECT_EQ(lines[at + 2], u"</tr>"_s);
                for (int j = 1; j <= 8; ++j)
                    read[j - 1].append(cellOf(pieces[j]));
            }
            EXPECT_EQ(lines[at], u"</tbody></table>"_s);
            // Read as the scraper does, each trio of b is there once.
            QSet<QPair<int, int>> trios;
            int slots = 0;
            for (int j = 1; j <= 8; ++j) {
                SCOPED_TRACE(j);
                EXPECT_EQ(joined(read[j - 1]), joined(trioColumn(field, page.shown, b, j)));
                int second = j < n ? othersThan(b, n)[j - 1] : 0;
                for (const QString& cell : read[j - 1]) {
                    const QString horse = cell.section(u':', 0, 0);
                    if (horse.startsWith(u'^'))
                        second = horse.mid(1).toInt();
                    else if (horse != u"#"_s) {
                        ++slots;
                        trios << qMakePair(std::min(second, horse.toInt()), std::max(second, horse.toInt()));
                    }
                }
            }
            EXPECT_EQ(slots, trios.size());
            EXPECT_EQ(trios.size(), (n - 1) * (n - 2) / 2);
        }
    }
}

TEST(TrifectaPage, EachFirstHorseReadsAsOneRunOfRowsOverBothHalves)
{
    for (const Field& field : kFields) {
        SCOPED_TRACE(field.name);
        const int n = field.runners;
        const TrifectaPage page = trifectaPage(raceOf(field), {field.blank});
        const QStringList lines = cacheOf(page.html).split(u"\r\n"_s);
        EXPECT_EQ(lines.filter(u"<p>"_s).size(), n >= 10 ? 2 * n : n);
        EXPECT_EQ(lines.filter(u"<tbody><tr>"_s).size(), n >= 10 ? 2 * n : n);

        // The work file: lines split at each plain "<th>", and the lines of the markers.
        QStringList work;
        for (const QString& line : lines) {
            if (line.contains(u"<th>"_s))
                work += line.split(u"<th>"_s);
            else if (line.contains(u"<tbody><tr>"_s) || line.contains(u"<p>"_s))
                work << line;
        }
        qsizetype at = 0;
        for (int h = 1; h <= n; ++h) {
            SCOPED_TRACE(h);
            const QList<int> others = othersThan(h, n);
            at = work.indexOf(QRegularExpression(u".*<tbody><tr>"_s), at);
            ASSERT_GE(at, 0);
            qsizetype cell = at + 2;
            const int rows = (n >= 10 ? 2 : 1) * (n - 1);
            for (int row = 0; row < rows; ++row, cell += 9) {
                SCOPED_TRACE(row);
                const int r = row % (n - 1);
                QStringList expected;
                for (int c = 8 * (row / (n - 1)); expected.size() < 8; ++c)
                    expected << (c >= n - 1 || c == r
                                     ? u"#"_s
                                     : QString::number(others[r]) + u":"_s +
                                           expectedOdds(field, page.shown, {h, others[c], others[r]}, false));
                QStringList got;
                for (const QString& piece : work.mid(cell, 8))
                    got << cellOf(piece);
                EXPECT_EQ(joined(got), joined(expected));
                EXPECT_FALSE(work.value(cell + 8).contains(u"</th><td"_s)) << "a row slipped";
            }
            at = cell;
        }
        EXPECT_EQ(work.indexOf(QRegularExpression(u".*<tbody><tr>"_s), at), -1);
    }
}

TEST(TriplePages, SharedMarkupAndOdds)
{
    for (const Field& field : kFields) {
        SCOPED_TRACE(field.name);
        WinPlacePage race = raceOf(field);
        const TrioPage trio = trioPage(race, {field.blank});
        const TrifectaPage trifecta = trifectaPage(race, {field.blank});
        for (const QByteArray& html : {trio.html, trifecta.html}) {
            EXPECT_FALSE(html.contains("nk23_u-bg-color0"));
            EXPECT_GT(toCp932(cacheOf(html)).size(), 1800);
        }
        // A trio pays less than any of its six orders.
        QList<int> running;
        for (int h = 1; h <= field.runners; ++h)
            if (!field.scratched.contains(h))
                running << h;
        const TripleOdds odds = triplesFor(race);
        const auto value = [](const PairCell& cell) { return QString(cell.odds).remove(u',').toDouble(); };
        const int a = running[0], b = running[1], c = running.last();
        const double trioOdds = value(odds.trio.at(a, b, c));
        EXPECT_GE(trioOdds, 1.0);
        for (const Triple& order : {Triple{a, b, c}, Triple{a, c, b}, Triple{b, a, c}, Triple{c, b, a}})
            EXPECT_LT(trioOdds, value(odds.trifecta.at(order[0], order[1], order[2])));

        race.kind = WinPlacePage::Kind::Cancelled;
        for (const QByteArray& html : {trioPage(race).html, trifectaPage(race).html}) {
            EXPECT_FALSE(html.contains("<table"));
            EXPECT_FALSE(cacheOf(html).contains(u"<p>"_s));
            EXPECT_GT(toCp932(cacheOf(html)).size(), 1800);
        }
    }
    EXPECT_THROW(TripleBoard(16).at(1, 2, 17), std::out_of_range);
    EXPECT_THROW(TripleBoard(16).at(0, 2, 3), std::out_of_range);
}

} // namespace
