#include "demo/triple_odds.h"

#include <algorithm>
#include <stdexcept>
#include <utility>

namespace kazeyomi {

TripleBoard::TripleBoard(int runners) : m_runners(runners), m_cells(qsizetype(runners) * runners * runners) {}

PairCell& TripleBoard::at(int first, int second, int third)
{
    return const_cast<PairCell&>(std::as_const(*this).at(first, second, third));
}

const PairCell& TripleBoard::at(int first, int second, int third) const
{
    const auto outside = [this](int horse) { return horse < 1 || horse > m_runners; };
    if (outside(first) || outside(second) || outside(third))
        throw std::out_of_range("triple outside the field");
    return m_cells[(qsizetype(first - 1) * m_runners + (second - 1)) * m_runners + (third - 1)];
}

TripleOdds triplesFor(const WinPlacePage& page, const QList<std::array<int, 3>>& blank)
{
    const int runners = int(page.runners.size());
    TripleOdds odds{TripleBoard(runners), TripleBoard(runners)};

    // Chances from the win odds of the horses that run; the second and third places go as if
    // the race were run again among the horses left, which is how the pools spread roughly.
    QList<double> chance(runners, 0.0);
    double sum = 0;
    for (int h = 0; h < runners; ++h)
        if (!isOut(page.runners[h]))
            sum += chance[h] = 1.0 / std::max(1.0, page.runners[h].win.toDouble());
    const auto probability = [&](int a, int b, int c) {
        const double pa = chance[a - 1] / sum;
        const double pb = chance[b - 1] / sum;
        const double pc = chance[c - 1] / sum;
        return pa * pb / (1 - pa) * pc / (1 - pa - pb);
    };

    for (int a = 1; a <= runners; ++a) {
        for (int b = 1; b <= runners; ++b) {
            for (int c = 1; c <= runners; ++c) {
                if (a == b || a == c || b == c)
                    continue;
                const bool out = isOut(page.runners[a - 1]) || isOut(page.runners[b - 1]) || isOut(page.runners[c - 1]);
                PairCell& tri = odds.trifecta.at(a, b, c);
                tri.state = out ? PairCell::State::Scratched : PairCell::State::Odds;
                if (!out) {
                    const double value = 0.75 / probability(a, b, c);
                    tri.odds = shownOdds(value);
                    tri.highlight = highlightFor(value, 30, 100);
                }
                if (a > b || b > c)
                    continue;
                PairCell& trio = odds.trio.at(a, b, c);
                trio.state = tri.state;
                if (out)
                    continue;
                const double any = probability(a, b, c) + probability(a, c, b) + probability(b, a, c) +
                                   probability(b, c, a) + probability(c, a, b) + probability(c, b, a);
                trio.odds = shownOdds(0.75 / any);
                trio.highlight = highlightFor(0.75 / any, 10, 30);
            }
        }
    }

    for (std::array<int, 3> triple : blank) {
        const auto clear = [](PairCell& cell) {
            if (cell.state == PairCell::State::Odds)
                cell = PairCell{};
        };
        clear(odds.trifecta.at(triple[0], triple[1], triple[2]));
        std::sort(triple.begin(), triple.end());
        clear(odds.trio.at(triple[0], triple[1], triple[2]));
    }
    return odds;
}

} // namespace kazeyomi
