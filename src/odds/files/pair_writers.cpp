#include "odds/files/pair_writers.h"

#include "foundation/context.h"
#include "foundation/controls.h"
#include "foundation/form_state.h"
#include "foundation/text_fields.h"
#include "odds/files/odds_fields.h"
#include "odds/files/odds_history.h"
#include "odds/files/pair_tables.h"

namespace kazeyomi {

using namespace Qt::StringLiterals;

namespace {

constexpr int kBlockColumns = 8;
constexpr int kMostRunners = 16;
const QString kNoOdds = u"***"_s;

const QString& oddsOrStars(const QString& cell)
{
    return isBlank(cell) ? kNoOdds : cell;
}

// The exacta grid holds column horses 1 to 8 in rows 1 to N and, with more than 8 runners,
// column horses 9 to 16 in rows N + 1 to 2N, whose labels start again at "1".
void buildExactaTable(const GridModel& source, GridModel& work)
{
    work.clear();
    int i = 1;
    bool secondBlock = true;
    for (; i <= kMostRunners; ++i) {
        const QString& label = source.textAt(i, 0);
        if (label.isEmpty()) {
            secondBlock = false;
            break;
        }
        if (i != 1 && trimSpaces(label).toDouble() == 1.0)
            break;
        for (int c = 1; c <= kBlockColumns; ++c)
            work.setTextMatrix(i, c, oddsOrStars(source.textAt(i, c)));
    }
    const int n = i - 1;
    if (secondBlock) {
        for (i = n + 1; i <= 2 * n; ++i) {
            for (int c = 1; c <= kBlockColumns; ++c) {
                // A column the first row of the block leaves blank has no horse: the block is narrower.
                if (isBlank(source.textAt(n + 1, c)))
                    break;
                work.setTextMatrix(i - n, c + kBlockColumns, oddsOrStars(source.textAt(i, c)));
            }
        }
    }
    for (int k = 1; k <= n; ++k) {
        work.setTextMatrix(0, k, numberLabel(k));
        work.setTextMatrix(k, 0, numberLabel(k));
    }
}

// Column horse first, row horse second, column by column.
QString exactaFields(const GridModel& work)
{
    QString fields;
    for (int c = 1; c <= kMostRunners; ++c) {
        const QString& label = work.textAt(0, c);
        if (label.isEmpty())
            continue;
        for (int r = 1; r < work.rows() && !work.textAt(r, c).isEmpty(); ++r)
            appendOddsField(fields, {label.toInt(), trimSpaces(work.textAt(r, 0)).toInt()}, work.textAt(r, c));
    }
    return fields;
}

Outcome writeStaircase(Context& ctx, Grid source, Grid work, const QString& extension, const FileDevices& devices)
{
    GridModel& table = ctx.form.grid(work);
    buildStaircaseTable(ctx.form.grid(source), table, ctx.form.race.runnerCount);
    return writeOddsLine(ctx, extension, ctx.form.text(Control::Text9) + staircaseFields(table), true, devices);
}

} // namespace

Outcome Utan_write(Context& ctx, const FileDevices& devices)
{
    GridModel& table = ctx.form.grid(Grid::VSFlexGrid19);
    buildExactaTable(ctx.form.grid(Grid::VSFlexGrid6), table);
    return writeOddsLine(ctx, u"utan"_s, ctx.form.text(Control::Text9) + exactaFields(table), true, devices);
}

Outcome Uren_write(Context& ctx, const FileDevices& devices)
{
    return writeStaircase(ctx, Grid::VSFlexGrid5, Grid::VSFlexGrid17, u"uren"_s, devices);
}

// The two wide writers share their work grid, which shows the upper bounds after a cycle.
Outcome WideL_write(Context& ctx, const FileDevices& devices)
{
    return writeStaircase(ctx, Grid::VSFlexGrid10, Grid::VSFlexGrid18, u"wideL"_s, devices);
}

Outcome WideH_write(Context& ctx, const FileDevices& devices)
{
    return writeStaircase(ctx, Grid::VSFlexGrid12, Grid::VSFlexGrid18, u"wideH"_s, devices);
}

} // namespace kazeyomi
