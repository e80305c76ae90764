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

} // namespace kazeyomi::test
