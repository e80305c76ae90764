// The exacta page and the quinella/wide page of the Southern Kanto site, made up for the
// tests and the demo day. Each table stands on one line of the rendered page, which the
// scrapers split into one line per odds cell with fixed replacements and read by count.
#pragma once

#include <QByteArray>
#include <QList>
#include <QPair>

#include "demo/odds_pages.h"
#include "demo/pair_odds.h"

namespace kazeyomi {

// The page and what it shows for each ordered pair.
struct ExactaPage {
    QByteArray html;
    PairBoard shown;
};

// The page and what it shows for each pair in its two tables.
struct QuinellaWidePage {
    QByteArray html;
    PairBoard quinella;
    PairBoard wide;
};

// "/odds/<raceCode>03.do" for the race of a win/place page: the same venue, race, time,
// runners and horses out. `blank` names pairs whose odds are not shown yet (pairOddsFor).
// A cancelled race's page has no tables.
ExactaPage exactaPage(const WinPlacePage& race, const QList<QPair<int, int>>& blank = {});

// "/odds/<raceCode>04.do", the quinella table above the wide table.
QuinellaWidePage quinellaWidePage(const WinPlacePage& race, const QList<QPair<int, int>>& blank = {});

} // namespace kazeyomi
