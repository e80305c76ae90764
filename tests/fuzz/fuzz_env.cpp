#include "fuzz/fuzz_env.h"

#include <cstdlib>
#include <map>
#include <memory>

#include "foundation/controls.h"
#include "foundation/grid_layouts.h"

namespace kazeyomi::fuzz {

FuzzEnv::FuzzEnv(MarkupStyle style) : fetcher(form, site, app.path(), style)
{
    if (!base.isValid() || !app.isValid() || !folders.createAll().isEmpty())
        std::abort();
    // Row 1 of the schedule is the race the scrapers mark.
    if (form.grid(Grid::VSFlexGrid8).rows() < 2)
        form.grid(Grid::VSFlexGrid8).setRows(2);
}

void FuzzEnv::startRace(const QByteArray& page)
{
    site.body = page;
    form.race = RaceInProgress();
    form.race.row = 1;
    form.setText(Control::Text3, QStringLiteral("10"));
    form.setText(Control::Label1, QStringLiteral("大井"));
    form.setText(Control::Text7, QStringLiteral("大井"));
    form.setText(Control::Text8, QStringLiteral("10"));
}

namespace {
std::map<MarkupStyle, std::unique_ptr<FuzzEnv>> envs;
}

FuzzEnv& env(MarkupStyle style)
{
    auto& slot = envs[style];
    if (!slot)
        slot = std::make_unique<FuzzEnv>(style);
    return *slot;
}

void releaseEnvs()
{
    envs.clear();
}

} // namespace kazeyomi::fuzz
