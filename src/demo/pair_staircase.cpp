#include "demo/pair_staircase.h"

#include <algorithm>

namespace kazeyomi {

// How the table is laid out, from the way the quinella and wide odds are read off it:
//
// Upper part. A cell r rows down in column c is taken as the pair of horse c with horse c + r,
// so column c lists horse c's partners c + 1 to N (N runners) one a row from the top, with no
// gap: horse c has N - c pairs and fills rows 1 to N - c.
//
// Lower part. Horses 9 to 16 have no column of their own. The odds files look for horse 9 + m
// in column 8 - m: below the first empty cell of that column, past any further empty cells,
// the k-th cell is the pair of horse 9 + m with horse 9 + m + k. The first empty cell of
// column s is the row right under horse s's own pairs, row N - s + 1; there the page puts a
// grey head cell naming horse 17 - s, and that horse's pairs right under it, again without
// a gap (an empty cell would still be counted and end the horse's list in the files). A
// column with a lower part is N - s + 1 + (N - 17 + s) = 2N - 16 rows deep.
//
// The head is left out for the last horse, which has no partner left to list. That keeps
// column 1 free of heads even with 16 runners: a row that opens with a grey head would not
// be split from the row above it, as only a plain "<th>" after "</td></tr><tr>" ends a row.
//
// Depth. Column 1 with its N - 1 pairs is the deepest up to 15 runners, so the table has the
// N - 1 rows that are read. With 16 runners every column is 16 deep: the 16th row (column 1
// empty, then 15-16, 14-16 ... 9-16) lies beyond the 15 rows read.
//
// Every row has eight slots, as eight lines are read a row; below the end of a column the
// slots are grey empty cells, each opened by a plain "<th>" so that it makes a line of its own.
//
// Sixteen runners. The bounds of the reading (N - 1 = 15 rows taken from the page, table rows
// up to 14 copied for the lower part, columns up to horse 14 written to the files) let 107 of
// the 120 pairs through:
// - horses 1 to 8: all their 15 + 14 + ... + 8 = 92 pairs, in rows 1 to 15;
// - horse 9 + m (column 8 - m): head in row 9 + m, pairs in rows 10 + m to 16, of which rows up
//   to 14 count: 5 - m pairs, so 5 + 4 + 3 + 2 + 1 = 15 for horses 9 to 13, none for 14 and 15.
// The 13 pairs lost are those of two horses from 9 to 16 with 15 or 16 among them (9-15, 9-16
// ... 14-16, 15-16). No layout does better: horse 9 + m cannot start above row 10 + m, as the
// 8 + m pairs of horse 8 - m and the empty cell must come first in that column, and horse 15
// would be the sixteenth column of the files. Up to 15 runners every pair gets through.
QList<StaircaseRow> staircase(int runners)
{
    const int n = std::clamp(runners, 0, 16);
    QList<QList<StaircaseSlot>> columns(8);
    for (int s = 1; s <= 8; ++s) {
        QList<StaircaseSlot>& column = columns[s - 1];
        for (int partner = s + 1; partner <= n; ++partner)
            column.push_back({StaircaseSlot::Kind::Pair, s, partner});
        const int lower = 17 - s;
        if (lower < n) {
            column.push_back({StaircaseSlot::Kind::Head, lower, 0});
            for (int partner = lower + 1; partner <= n; ++partner)
                column.push_back({StaircaseSlot::Kind::Pair, lower, partner});
        }
    }

    qsizetype depth = 0;
    for (const auto& column : columns)
        depth = std::max(depth, column.size());
    QList<StaircaseRow> rows(depth);
    for (int c = 0; c < 8; ++c)
        for (qsizetype r = 0; r < columns[c].size(); ++r)
            rows[r][size_t(c)] = columns[c][r];
    return rows;
}

} // namespace kazeyomi
