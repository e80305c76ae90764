#include "results/result_writers.h"

#include <array>
#include <utility>

#include <QDir>
#include <QFileInfo>

#include "foundation/context.h"
#include "foundation/controls.h"
#include "foundation/day_folders.h"
#include "foundation/fixed_fields.h"
#include "foundation/form_state.h"
#include "foundation/race_file_key.h"
#include "foundation/text_codec.h"
#include "foundation/text_fields.h"
#include "results/seiseki_scraper.h"

namespace kazeyomi {

using namespace Qt::StringLiterals;

namespace {

// VSFlexGrid16 cells in the order of the ".sei" fields: win, place (three), bracket
// quinella, bracket exacta, wide (three), exacta, trio, trifecta.
constexpr std::array<std::pair<int, int>, 12> kSeiCells = {
    {{3, 2}, {3, 5}, {4, 5}, {5, 5}, {3, 8}, {3, 11}, {7, 2}, {8, 2}, {9, 2}, {3, 17}, {7, 5}, {7, 8}}};
// VSFlexGrid14 columns of the ".jyun" blocks: frame, horse number, name, margin.
constexpr std::array<int, 4> kJyunColumns = {2, 3, 4, 12};
constexpr int kJyunHorses = 5;

QString native(const QString& path)
{
    return QDir::toNativeSeparators(path);
}

// Only the last level: a missing root is a failure to report, not to repair.
Outcome ensureDayFolder(const QString& folder)
{
    if (QFileInfo(folder).isDir())
        return {};
    const QString root = QFileInfo(folder).absolutePath();
    if (!QFileInfo(root).isDir())
        return {u"%1: the day folder cannot be created, its root %2 is missing"_s.arg(native(folder), native(root))};
    if (!QDir().mkdir(folder))
        return {u"%1: the day folder cannot be created"_s.arg(native(folder))};
    return {};
}

Outcome writeResultFile(const Context& ctx, const QString& extension, const QByteArray& bytes,
                        const FileDevices& devices)
{
    // The day key is taken once, so the folder made is the folder written to.
    const QString folder = ctx.folders.oddsFolder();
    if (Outcome made = ensureDayFolder(folder); !made.ok())
        return made;
    return FileWriter(devices).replace(raceFilePath(ctx.form, folder, extension), bytes);
}

// A cell's text without its blanks, right-aligned in 12 characters.
QString resultField(const QString& cellText)
{
    return rightField(trimSpaces(cellText), kResultFieldWidth);
}

} // namespace

QByteArray seiBytes(const Context& ctx)
{
    const GridModel& payouts = ctx.form.grid(Grid::VSFlexGrid16);
    QString line;
    for (const auto& [row, col] : kSeiCells)
        line += resultField(payouts.textMatrix(row, col));
    return toCp932(line) + kCrLf;
}

QByteArray jyunBytes(const Context& ctx)
{
    const GridModel& table = ctx.form.grid(Grid::VSFlexGrid14);
    QByteArray bytes;
    for (int col : kJyunColumns)
        for (int row = 1; row <= kJyunHorses; ++row)
            bytes += toCp932(resultField(table.textMatrix(row, col))) + kCrLf;
    return bytes;
}

Outcome Sei_write(const Context& ctx, const FileDevices& devices)
{
    return writeResultFile(ctx, u"sei"_s, seiBytes(ctx), devices);
}

Outcome Jyun_write(const Context& ctx, const FileDevices& devices)
{
    return writeResultFile(ctx, u"jyun"_s, jyunBytes(ctx), devices);
}

Outcome Command9_Click(Context& ctx, const FileDevices& devices)
{
    ctx.form.setText(Control::Text7, u"大井"_s);
    ctx.form.setText(Control::Text8, u"03"_s);
    return FileWriter(devices).replace(raceFilePath(ctx.form, ctx.folders.oddsFolder(), u"sei"_s), seiBytes(ctx));
}

} // namespace kazeyomi
