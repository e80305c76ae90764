// The pair odds (exacta, quinella, wide) that go with a made-up win/place page, cell by cell
// as the site shows them: the stand-in pages are drawn from them and the tests compare what
// the scrapers read against them.
#pragma once

#include <QList>
#include <QPair>
#include <QString>

#include "demo/odds_pages.h"

namespace kazeyomi {

// What the page shows for one pair.
struct PairCell {
    enum class State {
        Odds,      // a value: "12.3", for the wide a range "2.1-3.4"
        Blank,     // odds not shown yet: an empty cell
        Scratched, // a horse of the pair is out: "－"
    };

    State state = State::Blank;
    QString odds;      // as shown, "12.3" or "1,234.5"; the wide's lower bound
    QString high;      // the wide's upper bound
    QString highlight; // class of the span around a favourite pair's odds; empty: none
};

// One cell per pair of a field of up to 16 horses. The exacta uses every ordered pair
// (first, second) with first != second; the quinella and the wide only first < second.
class PairBoard {
public:
    PairBoard() = default;
    explicit PairBoard(int runners);

    int runners() const { return m_runners; }
    PairCell& at(int first, int second);
    const PairCell& at(int first, int second) const;

private:
    int m_runners = 0;
    QList<PairCell> m_cells;
};

struct PairOdds {
    PairBoard exacta;
    PairBoard quinella;
    PairBoard wide;
};

// The class names of the site's highlighted odds: the strong one for the favourites.
inline const QString kFavouriteClass = QStringLiteral("nk23_u-color33");
inline const QString kSecondChoiceClass = QStringLiteral("nk23_u-color");

// Odds as the site writes them, to one decimal and with a thousands separator: "1,234.5".
// Never under 1.0.
QString shownOdds(double odds);

// The class of the span the site puts around odds under `favourite` (strong) or `secondChoice`;
// empty above both.
QString highlightFor(double odds, double favourite, double secondChoice);
// A horse that does not run (scratched or excluded) makes every combination with it "－".
bool isOut(const WinPlaceRunner& runner);

// Odds derived from the page's win odds, so that they move with them; every pair with a
// horse that is out shows "－". The pairs in `blank` show no odds yet: for the exacta in the
// order given, for the quinella and the wide in either order.
PairOdds pairOddsFor(const WinPlacePage& page, const QList<QPair<int, int>>& blank = {});

} // namespace kazeyomi
