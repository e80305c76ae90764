#include "odds/files/tanfuku_writers.h"

#include "foundation/context.h"
#include "foundation/controls.h"
#include "foundation/fixed_fields.h"
#include "foundation/form_state.h"
#include "foundation/text_fields.h"
#include "odds/files/odds_fields.h"
#include "odds/files/odds_history.h"

namespace kazeyomi {

using namespace Qt::StringLiterals;

namespace {

constexpr int kHorses = 16;
constexpr int kFieldWidth = 8;

} // namespace

QString tanFukuLine(const Context& ctx, int column)
{
    const GridModel& grid = ctx.form.grid(Grid::VSFlexGrid3);
    QString line = ctx.form.text(Control::Text9);
    line.reserve(line.size() + kHorses * kFieldWidth);
    for (int k = 1; k <= kHorses; ++k) {
        // No win odds: the horse is not in the race, whatever the place columns hold.
        if (isBlank(grid.textAt(k, 1)))
            appendOneDecimalField(line, u"0.0", kFieldWidth);
        else
            appendOneDecimalField(line, grid.textAt(k, column), kFieldWidth);
    }
    return line;
}

// The win/place lines carry no line end of their own; the append adds it.
Outcome TanA_write(const Context& ctx, const FileDevices& devices)
{
    return writeOddsLine(ctx, u"tanA"_s, tanFukuLine(ctx, 1), false, devices);
}

Outcome Fuk1_write(const Context& ctx, const FileDevices& devices)
{
    return writeOddsLine(ctx, u"Fuk1"_s, tanFukuLine(ctx, 2), false, devices);
}

Outcome Fuk2_write(const Context& ctx, const FileDevices& devices)
{
    return writeOddsLine(ctx, u"Fuk2"_s, tanFukuLine(ctx, 3), false, devices);
}

} // namespace kazeyomi
