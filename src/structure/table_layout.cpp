#include "structure/table_layout.h"

namespace kazeyomi {

std::vector<std::vector<const TableCell*>> placedCells(const PageTable& table)
{
    std::vector<std::vector<const TableCell*>> placed;
    std::vector<int> coveredRows; // by column: how many more rows a cell above still covers
    for (const TableRow& row : table.rows) {
        std::vector<const TableCell*> line;
        size_t column = 0;
        const auto skipCovered = [&] {
            while (column < coveredRows.size() && coveredRows[column] > 0) {
                --coveredRows[column];
                if (line.size() <= column)
                    line.resize(column + 1, nullptr);
                ++column;
            }
        };
        for (const TableCell& cell : row.cells) {
            skipCovered();
            if (line.size() < column + size_t(cell.colspan))
                line.resize(column + size_t(cell.colspan), nullptr);
            line[column] = &cell;
            if (coveredRows.size() < column + size_t(cell.colspan))
                coveredRows.resize(column + size_t(cell.colspan), 0);
            for (int c = 0; c < cell.colspan; ++c)
                coveredRows[column + size_t(c)] = cell.rowspan - 1;
            column += size_t(cell.colspan);
        }
        skipCovered();
        for (size_t c = column; c < coveredRows.size(); ++c)
            if (coveredRows[c] > 0)
                --coveredRows[c];
        placed.push_back(std::move(line));
    }
    return placed;
}

int horseNumber(QStringView text)
{
    bool ok = false;
    const int n = text.trimmed().toInt(&ok);
    return ok && n > 0 && n < 100 ? n : 0;
}

std::vector<OddsSlot> rowSlots(const TableRow& row)
{
    std::vector<OddsSlot> slots;
    const qsizetype n = row.cells.size();
    for (qsizetype i = 0; i < n; ++i) {
        const TableCell& cell = row.cells[i];
        OddsSlot slot;
        slot.horse = horseNumber(cell.text());
        if (cell.header && cell.colspan >= 2) {
            slot.kind = slot.horse > 0 ? OddsSlot::Kind::Head : OddsSlot::Kind::Empty;
        } else if (cell.header && i + 1 < n && !row.cells[i + 1].header) {
            slot.cell = &row.cells[++i];
            slot.kind = slot.horse > 0 ? OddsSlot::Kind::Odds : OddsSlot::Kind::Empty;
        } else {
            // A data cell without its header, or a header without its data: a column of
            // something else (a row number, a note), no slot.
            continue;
        }
        slots.push_back(slot);
    }
    return slots;
}

std::vector<int> headLabels(const PageTable& table)
{
    for (const TableRow& row : table.rows) {
        if (!row.head)
            continue;
        // A slot's head spans its two columns; a narrower head cell belongs to no slot.
        std::vector<int> labels;
        for (const TableCell& cell : row.cells)
            if (cell.colspan >= 2)
                labels.push_back(horseNumber(cell.text()));
        if (labels.empty())
            for (const TableCell& cell : row.cells)
                labels.push_back(horseNumber(cell.text()));
        return labels;
    }
    return {};
}

bool isSlotTable(const PageTable& table)
{
    if (headLabels(table).empty())
        return false;
    for (const TableRow& row : table.rows)
        if (!row.head)
            for (const OddsSlot& slot : rowSlots(row))
                if (slot.kind == OddsSlot::Kind::Odds)
                    return true;
    return false;
}

} // namespace kazeyomi
