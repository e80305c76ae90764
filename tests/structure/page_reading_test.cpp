#include "structure/page_reading.h"

#include <gtest/gtest.h>

#include "demo/pair_pages.h"
#include "demo/result_pages.h"
#include "demo/triple_pages.h"
#include "fetch/page_fetcher.h"
#include "support/files.h"

namespace kazeyomi {
namespace {

using namespace Qt::StringLiterals;

PageTables tablesOf(const QByteArray& html)
{
    return preparePage(html, kOddsPageContentType, MarkupStyle::Modern)->tables;
}

// What the reading must give for a cell the demo site drew.
void expectShown(const BetReading* bet, const QString& key, const PairCell& cell, bool range = false)
{
    ASSERT_NE(bet, nullptr);
    const ShownOdds* odds = bet->find(key);
    ASSERT_NE(odds, nullptr) << key.toStdString();
    using Mark = ShownOdds::Mark;
    const Mark mark = cell.state == PairCell::State::Blank       ? Mark::NotOnSale
                      : cell.state == PairCell::State::Scratched ? Mark::Out
                                                                 : Mark::None;
    EXPECT_EQ(odds->mark, mark) << key.toStdString();
    if (mark == Mark::None) {
        EXPECT_EQ(odds->low, QString(cell.odds).remove(u',')) << key.toStdString();
        if (range) {
            EXPECT_EQ(odds->high, QString(cell.high).remove(u',')) << key.toStdString();
        }
    }
}

// Every combination of every odds page of the demo site, for small and full fields, with a
// horse out and combinations not on sale yet, comes out of the tables as the site drew it.
TEST(PageReading, ReadsEveryCombinationTheDemoPagesShow)
{
    for (const int n : {3, 5, 8, 9, 10, 12, 15, 16}) {
        SCOPED_TRACE(n);
        WinPlacePage race;
        race.raceCode = u"20261207201111"_s;
        race.time = u"9:05"_s;
        race.runners = sampleRunners(n);
        race.runners[1].state = WinPlaceRunner::State::Scratched;
        race.runners[n - 1].placeShown = false;

        const PageReading winPlace = readWinPlacePage(tablesOf(winPlacePage(race)));
        EXPECT_EQ(winPlace.oddsTime, u"09:05"_s);
        ASSERT_NE(winPlace.bet(BetType::Win), nullptr);
        ASSERT_EQ(winPlace.bet(BetType::Win)->odds.size(), n);
        for (const WinPlaceRunner& runner : race.runners) {
            const QString key = combinationKey({runner.number});
            const ShownOdds* win = winPlace.bet(BetType::Win)->find(key);
            const ShownOdds* place = winPlace.bet(BetType::Place)->find(key);
            ASSERT_TRUE(win && place);
            if (runner.state != WinPlaceRunner::State::Running) {
                EXPECT_EQ(win->mark, ShownOdds::Mark::Out);
                EXPECT_EQ(place->mark, ShownOdds::Mark::Out);
                continue;
            }
            EXPECT_EQ(win->low, runner.win);
            EXPECT_EQ(win->classes.contains(u"color33"_s), !runner.highlight.isEmpty());
            if (runner.placeShown)
                EXPECT_EQ(place->high, runner.placeHigh);
            else
                EXPECT_EQ(place->mark, ShownOdds::Mark::Out);
        }

        const ExactaPage exacta = exactaPage(race, {{1, 3}});
        const PageReading exactaRead = readExactaPage(tablesOf(exacta.html));
        ASSERT_NE(exactaRead.bet(BetType::Exacta), nullptr);
        EXPECT_EQ(exactaRead.bet(BetType::Exacta)->odds.size(), n * (n - 1));
        for (int a = 1; a <= n; ++a)
            for (int b = 1; b <= n; ++b)
                if (a != b)
                    expectShown(exactaRead.bet(BetType::Exacta), combinationKey({a, b}), exacta.shown.at(a, b));

        const QuinellaWidePage pairs = quinellaWidePage(race, {{1, 3}});
        const PageReading pairRead = readQuinellaWidePage(tablesOf(pairs.html));
        for (const BetType type : {BetType::Quinella, BetType::Wide}) {
            const BetReading* bet = pairRead.bet(type);
            ASSERT_NE(bet, nullptr);
            EXPECT_EQ(bet->odds.size(), n * (n - 1) / 2);
            for (int a = 1; a <= n; ++a)
                for (int b = a + 1; b <= n; ++b)
                    expectShown(bet, combinationKey({a, b}),
                                (type == BetType::Wide ? pairs.wide : pairs.quinella).at(a, b), type == BetType::Wide);
        }

        const TrioPage trio = trioPage(race, {{1, 2, 3}});
        const TrifectaPage trifecta = trifectaPage(race, {{3, 1, 2}});
        const PageReading trioPageRead = readTrioPage(tablesOf(trio.html));
        const PageReading trifectaPageRead = readTrifectaPage(tablesOf(trifecta.html));
        const BetReading* trioRead = trioPageRead.bet(BetType::Trio);
        const BetReading* trifectaRead = trifectaPageRead.bet(BetType::Trifecta);
        ASSERT_TRUE(trioRead && trifectaRead);
        EXPECT_EQ(trioRead->odds.size(), n * (n - 1) * (n - 2) / 6);
        EXPECT_EQ(trifectaRead->odds.size(), n * (n - 1) * (n - 2));
        for (int a = 1; a <= n; ++a)
            for (int b = 1; b <= n; ++b)
                for (int c = 1; c <= n; ++c) {
                    if (a == b || b == c || a == c)
                        continue;
                    expectShown(trifectaRead, combinationKey({a, b, c}), trifecta.shown.at(a, b, c));
                    if (a < b && b < c)
                        expectShown(trioRead, combinationKey({a, b, c}), trio.shown.at(a, b, c));
                }
    }
}

TEST(PageReading, ReadsTheFinishersAndEveryPayoutOfAResultPage)
{
    const ResultPage page = resultWithScratch(u"川崎"_s, 5, 12);
    const PageReading read = readResultPage(tablesOf(resultPage(page)));
    ASSERT_EQ(read.finishers.size(), page.finishers.size());
    for (qsizetype i = 0; i < page.finishers.size(); ++i) {
        const Finisher& f = page.finishers[i];
        const Finish& r = read.finishers[i];
        EXPECT_EQ(QStringList({r.position, r.frame, r.horse, r.name, r.jockey, r.trainer, r.time, r.margin, r.last3f,
                               r.popularity, r.weight, r.change}),
                  QStringList({f.position, f.frame, f.number, f.name, f.jockey, f.trainer, f.time, f.margin, f.last3f,
                               f.popularity, f.weight, f.change}));
    }
    // In the page's order: row by row, bet type by bet type.
    QList<QStringList> payouts;
    for (const PayoutShown& p : read.payouts)
        payouts << QStringList{p.betType, p.combination, p.yen, p.popularity};
    EXPECT_EQ(payouts, test::dataRows(u"result_payouts.tsv"_s));
    EXPECT_TRUE(read.refund.contains(page.refund)) << read.refund.toStdString() << page.refund.toStdString();
}

} // namespace
} // namespace kazeyomi
