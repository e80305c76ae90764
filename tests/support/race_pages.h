// The pages of one race as the local site serves them, all drawn from its win/place page.
#pragma once

#include <vector>

#include <QByteArray>
#include <QString>

#include "demo/odds_pages.h"
#include "demo/pair_pages.h"
#include "demo/result_pages.h"
#include "demo/triple_pages.h"

namespace kazeyomi::test {

struct RacePage {
    QString path; // under the site's address
    QByteArray body;
};

// The five odds pages and the result page of the race the page names; with `someNotOnSale`, one exacta, trio and
// trifecta each are not on sale yet.
inline std::vector<RacePage> racePages(const WinPlacePage& odds, bool someNotOnSale = false)
{
    const QString at = QStringLiteral("/odds/") + odds.raceCode;
    const auto blank = [&](auto list) { return someNotOnSale ? list : decltype(list){}; };
    return {
        {at + QStringLiteral("01.do"), winPlacePage(odds)},
        {at + QStringLiteral("03.do"), exactaPage(odds, blank(QList<QPair<int, int>>{{1, 3}})).html},
        {at + QStringLiteral("04.do"), quinellaWidePage(odds).html},
        {at + QStringLiteral("09.do"), trioPage(odds, blank(QList<std::array<int, 3>>{{1, 3, 4}})).html},
        {at + QStringLiteral("08.do"), trifectaPage(odds, blank(QList<std::array<int, 3>>{{3, 1, 4}})).html},
        {resultPagePath(odds.raceCode), resultPage(resultAfterRace(odds.venue, odds.race, int(odds.runners.size())))},
    };
}

// Race 10 of `code` with `runners` horses, the third scratched and, past six, the last excluded
// and pairs and triples on every table's edges not on sale yet: what the writers must carry through.
inline std::vector<RacePage> edgeCasePages(WinPlacePage& race, const QString& code, int runners)
{
    race.race = 10;
    race.raceCode = code;
    race.runners = sampleRunners(runners);
    race.runners[2].state = WinPlaceRunner::State::Scratched;
    if (runners > 6)
        race.runners[runners - 1].state = WinPlaceRunner::State::Excluded;
    std::vector<RacePage> pages = racePages(race);
    if (runners > 6) {
        const QList<QPair<int, int>> pairs = {{1, 3}, {8, 10}, {runners - 1, runners}, {runners, 1}};
        const QList<std::array<int, 3>> triples = {{1, 2, 4}, {1, 9, 10}, {runners - 2, runners - 1, runners}};
        pages[1].body = exactaPage(race, pairs).html;
        pages[2].body = quinellaWidePage(race, pairs).html;
        pages[3].body = trioPage(race, triples).html;
        pages[4].body = trifectaPage(race, triples).html;
    }
    return pages;
}

} // namespace kazeyomi::test
