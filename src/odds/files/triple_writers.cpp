#include "odds/files/triple_writers.h"

#include <algorithm>
#include <array>
#include <bitset>
#include <set>
#include <stdexcept>
#include <vector>

#include "foundation/context.h"
#include "foundation/controls.h"
#include "foundation/form_state.h"
#include "foundation/grid_layouts.h"
#include "foundation/grid_model.h"
#include "foundation/text_fields.h"
#include "odds/files/odds_fields.h"
#include "odds/files/odds_history.h"

namespace kazeyomi {

using namespace Qt::StringLiterals;

namespace {

constexpr int kTrioColumns = 15;
constexpr int kPageColumns = 8;
constexpr int kLongestLabelRun = 16;
const QString kNoOdds = u"***"_s;

// A trio seen before gets "***": its odds went in at its first sighting. A trio is known by its
// three numbers as 16-bit integers, sorted: horses 1 to 63 in a table of bits, any other in a set.
class SeenTrios {
public:
    bool firstSighting(int a, int b, int c)
    {
        std::array<qint16, 3> trio{qint16(a), qint16(b), qint16(c)};
        std::sort(trio.begin(), trio.end());
        if (trio[0] >= 0 && trio[2] < kTableSide) {
            const size_t at = (size_t(trio[2]) * kTableSide + size_t(trio[1])) * kTableSide + size_t(trio[0]);
            if (m_table.test(at))
                return false;
            m_table.set(at);
            return true;
        }
        return m_others.insert(trio).second;
    }

private:
    static constexpr int kTableSide = 64;
    std::bitset<size_t(kTableSide) * kTableSide * kTableSide> m_table;
    std::set<std::array<qint16, 3>> m_others;
};

// The row labels of the trifecta page grid are numbers; anything else ends the writer.
int labelAt(const GridModel& grid, int row)
{
    bool ok = false;
    const int label = trimSpaces(grid.textAt(row, 0)).toInt(&ok);
    if (!ok)
        throw std::runtime_error(
            u"%1: the row label of row %2 is not a number"_s.arg(grid.name()).arg(row).toStdString());
    return label;
}

// Where the labels first start again at a smaller number: the number of rows per horse.
int labelRun(const GridModel& grid, int longest)
{
    int n = 1;
    for (; n <= longest; ++n)
        if (labelAt(grid, n + 1) < labelAt(grid, n))
            break;
    return n;
}

const QString& oddsOrStars(const QString& cell)
{
    return isBlank(cell) ? kNoOdds : cell;
}

template <typename Write> Outcome failureAsOutcome(Write&& write)
{
    try {
        return write();
    } catch (const std::exception& e) {
        return {QString::fromStdString(e.what())};
    }
}

QString trioFields(FormState& form)
{
    const GridModel& staircases = form.grid(Grid::VSFlexGrid20);
    GridModel& work = form.grid(Grid::VSFlexGrid21);
    const int runners = form.race.runnerCount;
    const int rowsPerBlock = runners - 2;
    SeenTrios seen;
    QString fields;
    fields.reserve(runners * (runners - 1) * (runners - 2) / 2 * 16);
    work.clear();
    for (int b = 1; b <= runners; ++b) {
        work.clear();
        // The column horses: every horse but b, the last one left out as it has no trio with a
        // higher number (block N lists them all).
        for (int h = 1, col = 1; h < runners; ++h)
            if (h != b)
                work.setTextMatrix(0, col++, numberLabel(h));
        for (int j = 1; j <= kTrioColumns; ++j)
            for (int k = 1; k <= rowsPerBlock; ++k)
                work.setTextMatrix(k, j, staircases.textAt(k + (b - 1) * rowsPerBlock, j));
        for (int j = 1; j <= kTrioColumns; ++j) {
            const QString label = work.textAt(0, j);
            if (label.isEmpty())
                break;
            const int s = label.toInt();
            // Down the column to its first empty cell; the block's own horse is passed over once.
            int x = s + 1;
            for (int k = 1; k < work.rows() && !work.textAt(k, j).isEmpty(); ++k, ++x) {
                if (x == b)
                    ++x;
                appendOddsField(fields, {b, s, x}, seen.firstSighting(b, s, x) ? work.textAt(k, j) : kNoOdds);
            }
        }
    }
    return fields;
}

// P rows per first-place horse in the page grid, twice as many when the table came in halves;
// block w of VSFlexGrid22 is rows P(w - 1) + 1 to P(w - 1) + R, R the table rows found.
void arrangeTrifecta(const GridModel& page, GridModel& blocks)
{
    const int p = labelRun(page, kLongestLabelRun);
    int t = 0;
    int d = 0;
    int r = 0;
    for (int u = 0; u <= p; ++u) {
        int s = 0;
        int n = 1;
        for (; n <= 15; ++n) {
            ++s;
            if (n != 1 && labelAt(page, t + n) == 1)
                break;
            for (int j = 1; j <= kPageColumns; ++j)
                blocks.setTextMatrix(d + n, j, oddsOrStars(page.textAt(t + n, j)));
        }
        // With 16 runners the 15 rows end the loop before the next horse's label 1 is met.
        r = p == 15 ? s : s - 1;
        if (r > kPageColumns) {
            for (n = r + 1; n <= 2 * r; ++n) {
                for (int j = 1; j <= r - kPageColumns; ++j) {
                    // A column the half table's first row leaves blank has no horse.
                    if (isBlank(page.textAt(t + r + 1, j)))
                        break;
                    blocks.setTextMatrix(d + n - r, j + kPageColumns, oddsOrStars(page.textAt(t + n, j)));
                }
            }
        }
        t += n - 1;
        d += p;
    }
    for (int c = 0; c < r; ++c)
        blocks.setTextMatrix(0, c + 1, numberLabel(c + 1));
    for (int w = 1, k = 1; w <= p + 1; ++w, ++k)
        for (int c = 0; c < r; ++c)
            blocks.setTextMatrix(p * (w - 1) + c + 1, 0, numberLabel(k));
}

// Labels the other horses than `first` in ascending order along row 0 or column 0.
void labelOthers(GridModel& block, int first, int size, bool alongRow)
{
    for (int c = 0, k = 1; c <= size; ++k, ++c) {
        if (c == first - 1)
            ++c;
        if (c <= size) {
            if (alongRow)
                block.setTextMatrix(0, k, numberLabel(c + 1));
            else
                block.setTextMatrix(k, 0, numberLabel(c + 1));
        }
    }
}

QString trifectaFields(FormState& form)
{
    const GridModel& page = form.grid(Grid::VSFlexGrid13);
    const GridModel& blocks = form.grid(Grid::VSFlexGrid22);
    GridModel& block = form.grid(Grid::VSFlexGrid23);
    const int q = labelRun(page, kTrioColumns);
    form.race.runnerCount = qint16(q);
    QString fields;
    fields.reserve((q + 1) * q * q * 16);
    for (int a = 1; a <= q + 1; ++a) {
        block.clear();
        block.setTextMatrix(0, 0, numberLabel(a));
        for (int c = 1; c <= q; ++c)
            for (int j = 1; j <= q; ++j)
                block.setTextMatrix(j, c, blocks.textAt((a - 1) * q + j, c));
        labelOthers(block, a, q, true);
        labelOthers(block, a, q, false);
        // The labels as numbers, read once a block.
        std::vector<int> rowHorses(size_t(q) + 1);
        for (int c = 1; c <= q; ++c)
            rowHorses[size_t(c)] = block.textAt(c, 0).toInt();
        const int first = block.textAt(0, 0).toInt();
        for (int b = 1; b <= q; ++b) {
            const int second = block.textAt(0, b).toInt();
            for (int c = 1; c <= q; ++c)
                appendOddsField(fields, {first, second, rowHorses[size_t(c)]}, block.textAt(c, b));
        }
    }
    return fields;
}

} // namespace

Outcome Sanfuku_write(Context& ctx, const FileDevices& devices)
{
    return failureAsOutcome([&] {
        const QString line = ctx.form.text(Control::Text9) + trioFields(ctx.form);
        return writeOddsLine(ctx, u"3fuku"_s, line, true, devices);
    });
}

Outcome Santan_arrange(Context& ctx, const FileDevices& devices)
{
    return failureAsOutcome([&] {
        const GridModel& page = ctx.form.grid(Grid::VSFlexGrid13);
        GridModel& blocks = ctx.form.grid(Grid::VSFlexGrid22);
        blocks.clear();
        if (page.textAt(1, 0).isEmpty())
            return Outcome{};
        arrangeTrifecta(page, blocks);
        return Santan_write(ctx, devices);
    });
}

Outcome Santan_write(Context& ctx, const FileDevices& devices)
{
    return failureAsOutcome([&] {
        const QString line = ctx.form.text(Control::Text9) + trifectaFields(ctx.form);
        return writeOddsLine(ctx, u"3tan"_s, line, true, devices);
    });
}

} // namespace kazeyomi
