// Where each cell of a table stands once row and column spans are counted, and the slots of
// the odds tables (a header cell naming a horse beside the cell of its odds).
#pragma once

#include <vector>

#include <QString>

#include "fetch/page_tables.h"

namespace kazeyomi {

// The cells of each row by column: a cell spanning rows or columns stands at its first column,
// and the columns it covers below or beside it hold nothing.
std::vector<std::vector<const TableCell*>> placedCells(const PageTable& table);

// A horse number as the page writes it ("7", " 07 "); 0 when the text is no number.
int horseNumber(QStringView text);

struct OddsSlot {
    enum class Kind { Odds, Head, Empty };
    Kind kind = Kind::Empty;
    int horse = 0;                   // the number in the slot's header cell
    const TableCell* cell = nullptr; // the odds cell, for Odds
};

// The slots of a row of an odds table, in order: a header cell followed by a data cell is a
// slot with odds, a header cell spanning two columns a head naming a horse, a slot with no
// number an empty one; a cell standing alone is no slot.
std::vector<OddsSlot> rowSlots(const TableRow& row);
// The horse numbers over the slots of the table's head, one a slot.
std::vector<int> headLabels(const PageTable& table);
// Tables with a head of numbered slots and rows of slots: the odds tables of a page.
bool isSlotTable(const PageTable& table);

} // namespace kazeyomi
