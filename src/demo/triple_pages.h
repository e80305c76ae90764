// The trio page and the trifecta page of the Southern Kanto site, made up for the tests and
// the demo day. Every row of their tables stands on a line of its own in the rendered page,
// which the scrapers split at each slot and read by count.
#pragma once

#include <array>

#include <QByteArray>
#include <QList>

#include "demo/odds_pages.h"
#include "demo/triple_odds.h"

namespace kazeyomi {

// The page and what it shows for each trio (first < second < third).
struct TrioPage {
    QByteArray html;
    TripleBoard shown;
};

// The page and what it shows for each ordered triple.
struct TrifectaPage {
    QByteArray html;
    TripleBoard shown;
};

// "/odds/<raceCode>09.do" for the race of a win/place page: the same venue, race, time,
// runners and horses out, one table per horse of the trios holding it. `blank` names triples
// whose odds are not shown yet (triplesFor). A cancelled race's page has no tables, nor has
// a field of fewer than three.
TrioPage trioPage(const WinPlacePage& race, const QList<std::array<int, 3>>& blank = {});

// "/odds/<raceCode>08.do", one table per horse placed first.
TrifectaPage trifectaPage(const WinPlacePage& race, const QList<std::array<int, 3>>& blank = {});

} // namespace kazeyomi
