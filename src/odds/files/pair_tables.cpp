#include "odds/files/pair_tables.h"

#include <algorithm>

#include "foundation/grid_model.h"
#include "foundation/text_fields.h"
#include "odds/files/odds_fields.h"

namespace kazeyomi {

using namespace Qt::StringLiterals;

namespace {

constexpr int kSourceColumns = 8;
// The bounds the files have always been read with; with 16 runners they leave out the
// pairs among horses 9 to 16 that involve 15 or 16.
constexpr int kUpperRows = 15;
constexpr int kLowerLastRow = 14;
constexpr int kLineColumns = 14;
constexpr int kWorkLabels = 15;

} // namespace

void buildStaircaseTable(const GridModel& source, GridModel& work, int runners)
{
    work.clear();
    // Upper part: source row i of column j is horse j with horse j + i. A blank cell ends the
    // copy of its row, as the shorter columns' lower parts lie to its right.
    for (int i = 1; i <= kUpperRows; ++i) {
        for (int j = 1; j <= kSourceColumns; ++j) {
            const QString& cell = source.textAt(i, j);
            if (isBlank(cell))
                break;
            work.setTextMatrix(i, j, cell);
        }
    }
    // Lower part: horse 9 + m's pairs stand in column 8 - m, below the grey cell that follows
    // horse 8 - m's own pairs. The search starts under those N - s pairs: a blank among them
    // (odds not shown yet) would otherwise be taken for the grey cell and shift every later
    // odds onto the wrong pair. Without blanks it finds the same cell as a search from row 1.
    for (int m = 0; m <= kSourceColumns; ++m) {
        const int s = kSourceColumns - m;
        const int t = 9 + m;
        int row = std::max(1, runners - s + 1);
        while (row <= kUpperRows && !source.textAt(row, s).isEmpty())
            ++row;
        if (row > kUpperRows)
            continue;
        while (row < kUpperRows && source.textAt(row, s).isEmpty())
            ++row;
        for (int k = 1; row <= kLowerLastRow; ++row, ++k) {
            const QString& cell = source.textAt(row, s);
            if (!cell.isEmpty())
                work.setTextMatrix(k, t, cell);
        }
    }
    for (int c = 1; c <= kWorkLabels; ++c)
        work.setTextMatrix(0, c, numberLabel(c));
}

QString staircaseFields(const GridModel& work)
{
    QString fields;
    for (int c = 1; c <= kLineColumns; ++c) {
        const int first = trimSpaces(work.textAt(0, c)).toInt();
        for (int k = 1; k < work.rows() && !work.textAt(k, c).isEmpty(); ++k)
            appendOddsField(fields, {first, first + k}, work.textAt(k, c));
    }
    return fields;
}

} // namespace kazeyomi
