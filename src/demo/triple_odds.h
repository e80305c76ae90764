// The triple odds (trio, trifecta) that go with a made-up win/place page, cell by cell as
// the site shows them: the trio and trifecta pages are drawn from them and the tests compare
// what the scrapers read against them.
#pragma once

#include <array>

#include <QList>

#include "demo/odds_pages.h"
#include "demo/pair_odds.h"

namespace kazeyomi {

// One cell per ordered triple of a field of up to 16 horses. The trifecta uses every triple
// of three different horses in the order they finish; the trio only first < second < third.
class TripleBoard {
public:
    TripleBoard() = default;
    explicit TripleBoard(int runners);

    int runners() const { return m_runners; }
    PairCell& at(int first, int second, int third);
    const PairCell& at(int first, int second, int third) const;

private:
    int m_runners = 0;
    QList<PairCell> m_cells;
};

struct TripleOdds {
    TripleBoard trio;
    TripleBoard trifecta;
};

// Odds derived from the page's win odds, so that they move with them; every triple with a
// horse that is out shows "－". The triples in `blank` show no odds yet: for the trifecta in
// the order given, for the trio in any order.
TripleOdds triplesFor(const WinPlacePage& page, const QList<std::array<int, 3>>& blank = {});

} // namespace kazeyomi
