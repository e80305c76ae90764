// Where the quinella and wide tables of the stand-in site put each pair: eight columns, one
// per horse named first, the partners going down the column, like a staircase; the pairs of
// horses 9 to 16 fill the space below the shorter columns.
#pragma once

#include <array>

#include <QList>

namespace kazeyomi {

struct StaircaseSlot {
    enum class Kind {
        Pair,  // the odds of first with second
        Head,  // grey cell naming `first`, whose pairs follow below it in the same column
        Empty, // grey cell, nothing to show
    };

    Kind kind = Kind::Empty;
    int first = 0;
    int second = 0;
};

using StaircaseRow = std::array<StaircaseSlot, 8>;

// The table rows, top to bottom, of a field of `runners` (0 to 16) horses.
QList<StaircaseRow> staircase(int runners);

} // namespace kazeyomi
