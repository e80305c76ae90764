#include "demo/pair_odds.h"

#include <algorithm>
#include <cmath>
#include <stdexcept>
#include <utility>

namespace kazeyomi {

QString highlightFor(double odds, double favourite, double secondChoice)
{
    return odds < favourite ? kFavouriteClass : odds < secondChoice ? kSecondChoiceClass : QString();
}

bool isOut(const WinPlaceRunner& runner)
{
    return runner.state != WinPlaceRunner::State::Running;
}

// The site writes thousands with a separator: "1,234.5".
QString shownOdds(double odds)
{
    const double value = std::max(1.0, std::round(odds * 10) / 10);
    QString text = QString::number(value, 'f', 1);
    for (qsizetype at = text.indexOf(u'.') - 3; at > 0; at -= 3)
        text.insert(at, u',');
    return text;
}

PairBoard::PairBoard(int runners) : m_runners(runners), m_cells(qsizetype(runners) * runners) {}

PairCell& PairBoard::at(int first, int second)
{
    return const_cast<PairCell&>(std::as_const(*this).at(first, second));
}

const PairCell& PairBoard::at(int first, int second) const
{
    if (first < 1 || second < 1 || first > m_runners || second > m_runners)
        throw std::out_of_range("pair outside the field");
    return m_cells[qsizetype(first - 1) * m_runners + (second - 1)];
}

PairOdds pairOddsFor(const WinPlacePage& page, const QList<QPair<int, int>>& blank)
{
    const int runners = int(page.runners.size());
    PairOdds odds{PairBoard(runners), PairBoard(runners), PairBoard(runners)};

    // Chances from the win odds of the horses that run, as the pools would spread them.
    QList<double> chance(runners, 0.0);
    double sum = 0;
    for (int h = 0; h < runners; ++h)
        if (!isOut(page.runners[h]))
            sum += chance[h] = 1.0 / std::max(1.0, page.runners[h].win.toDouble());
    const auto exacta = [&](int a, int b) {
        const double pa = chance[a - 1] / sum;
        const double pb = chance[b - 1] / sum;
        return 0.75 * (1 - pa) / (pa * pb);
    };

    for (int a = 1; a <= runners; ++a) {
        for (int b = 1; b <= runners; ++b) {
            if (a == b)
                continue;
            const bool out = isOut(page.runners[a - 1]) || isOut(page.runners[b - 1]);
            PairCell& ex = odds.exacta.at(a, b);
            ex.state = out ? PairCell::State::Scratched : PairCell::State::Odds;
            if (!out) {
                ex.odds = shownOdds(exacta(a, b));
                ex.highlight = highlightFor(exacta(a, b), 10, 30);
            }
            if (a > b)
                continue;
            PairCell& q = odds.quinella.at(a, b);
            PairCell& w = odds.wide.at(a, b);
            q.state = w.state = ex.state;
            if (out)
                continue;
            const double quinella = 1 / (1 / exacta(a, b) + 1 / exacta(b, a));
            q.odds = shownOdds(quinella);
            q.highlight = highlightFor(quinella, 5, 15);
            const double low = std::max(1.0, quinella * 0.28);
            w.odds = shownOdds(low);
            w.high = shownOdds(std::max(low + 0.1, quinella * 0.45));
            w.highlight = highlightFor(low, 2, 4);
        }
    }

    for (const auto& [a, b] : blank) {
        const auto clear = [](PairCell& cell) {
            if (cell.state == PairCell::State::Odds)
                cell = PairCell{};
        };
        clear(odds.exacta.at(a, b));
        clear(odds.quinella.at(std::min(a, b), std::max(a, b)));
        clear(odds.wide.at(std::min(a, b), std::max(a, b)));
    }
    return odds;
}

} // namespace kazeyomi
