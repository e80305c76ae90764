#include "snapshots/grid_snapshots.h"

#include <QDir>
#include <QStringList>

#include "foundation/controls.h"
#include "foundation/day_folders.h"
#include "foundation/form_state.h"
#include "foundation/notifier.h"

namespace kazeyomi {

using namespace Qt::StringLiterals;

namespace {

const QString kTitle = u"Kazeyomi for 地方競馬V4.17 2025_10"_s;

QString snapshotPath(const DayFolders& folders, Grid grid)
{
    return QDir(folders.cardFolder()).filePath(u"Grid%1.dat"_s.arg(gridNumber(grid)));
}

} // namespace

Outcome Command6_Click(FormState& form, const DayFolders& folders, Notifier& notifier)
{
    if (!notifier.ask(kTitle, u"保存しますか？"_s))
        return {};
    QStringList failures;
    for (Grid grid : kSnapshotGrids)
        if (const Outcome saved = form.grid(grid).saveGrid(snapshotPath(folders, grid)); !saved.ok())
            failures << saved.error;
    return {failures.join(u'\n')};
}

Outcome Command7_Click(FormState& form, const DayFolders& folders, Notifier& notifier)
{
    if (!notifier.ask(kTitle, u"読み込みしますか？"_s))
        return {};
    QStringList failures;
    for (Grid grid : kSnapshotGrids)
        if (const Outcome loaded = form.grid(grid).loadGrid(snapshotPath(folders, grid)); !loaded.ok())
            failures << loaded.error;
    // The loaded odds carry no time of their own; the stamp says "evening" as it always has.
    if (failures.isEmpty())
        form.setText(Control::Text9, u"20:00"_s);
    return {failures.join(u'\n')};
}

} // namespace kazeyomi
