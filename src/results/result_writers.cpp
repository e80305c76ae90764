#include "results/result_writers.h"

#include <array>
#include <utility>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include "results/seiseki_scraper.h"
#include "fetch/text_helpers.h"
#include "shell/context.h"
#include "shell/day_folders.h"
#include "shell/form_state.h"
#include "shell/text_codec.h"

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

QString native(const QString& path) { return QDir::toNativeSeparators(path); }

class RenameReplacer final : public FileReplacer {
public:
    QString replace(const QString& path, const QByteArray& bytes) const override
    {
        QSaveFile out(path);
        if (!out.open(QIODevice::WriteOnly))
            return out.errorString();
        if (out.write(bytes) != bytes.size()) {
            const QString why = out.errorString();
            out.cancelWriting();
            return why;
        }
        if (!out.commit())
            return out.errorString();
        return {};
    }
};

QString rewriteInPlace(const QString& path, const QByteArray& bytes)
{
    QFile out(path);
    if (!out.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return out.errorString();
    if (out.write(bytes) != bytes.size() || !out.flush())
        return out.errorString();
    return {};
}

// Only the last level: a missing root is a failure to report, not to repair.
QString ensureDayFolder(const QString& folder)
{
    if (QFileInfo(folder).isDir())
        return {};
    const QString root = QFileInfo(folder).absolutePath();
    if (!QFileInfo(root).isDir())
        return u"%1: the day folder cannot be created, its root %2 is missing"_s.arg(native(folder), native(root));
    if (!QDir().mkdir(folder))
        return u"%1: the day folder cannot be created"_s.arg(native(folder));
    return {};
}

QString resultFilePath(const Context& ctx, const QString& folder, const QString& extension)
{
    const QString key = ctx.form.text(u"Text7"_s) + ctx.form.text(u"Text8"_s);
    return QDir(folder).filePath(key + u'.' + extension);
}

QString writeResultFile(const Context& ctx, const QString& extension, const QByteArray& bytes,
                        const FileReplacer& replacer)
{
    // The day key is taken once, so the folder made is the folder written to.
    const QString folder = ctx.folders.oddsFolder();
    if (const QString error = ensureDayFolder(folder); !error.isEmpty())
        return error;
    return writeWholeFile(resultFilePath(ctx, folder, extension), bytes, replacer);
}

} // namespace

const FileReplacer& renameReplacer()
{
    static const RenameReplacer replacer;
    return replacer;
}

QString writeWholeFile(const QString& path, const QByteArray& bytes, const FileReplacer& replacer)
{
    const QString refused = replacer.replace(path, bytes);
    if (refused.isEmpty())
        return {};
    // Readers poll these files every cycle; a file rewritten in place is better than a stale one.
    const QString failed = rewriteInPlace(path, bytes);
    if (failed.isEmpty())
        return {};
    return u"%1: cannot be written (replacing it: %2; rewriting it in place: %3)"_s.arg(native(path), refused, failed);
}

QString resultField(const QString& cellText)
{
    return (QString(13, u' ') + trimSpaces(cellText)).right(kResultFieldWidth);
}

QByteArray seiBytes(const Context& ctx)
{
    const GridModel& payouts = ctx.form.grid(kPayoutGrid);
    QString line;
    for (const auto& [row, col] : kSeiCells)
        line += resultField(payouts.textMatrix(row, col));
    return toCp932(line) + kCrLf;
}

QByteArray jyunBytes(const Context& ctx)
{
    const GridModel& table = ctx.form.grid(kFinishGrid);
    QByteArray bytes;
    for (int col : kJyunColumns)
        for (int row = 1; row <= kJyunHorses; ++row)
            bytes += toCp932(resultField(table.textMatrix(row, col))) + kCrLf;
    return bytes;
}

QString Sei_write(const Context& ctx, const FileReplacer& replacer)
{
    return writeResultFile(ctx, u"sei"_s, seiBytes(ctx), replacer);
}

QString Jyun_write(const Context& ctx, const FileReplacer& replacer)
{
    return writeResultFile(ctx, u"jyun"_s, jyunBytes(ctx), replacer);
}

QString Command9_Click(Context& ctx, const FileReplacer& replacer)
{
    ctx.form.setText(u"Text7"_s, u"大井"_s);
    ctx.form.setText(u"Text8"_s, u"03"_s);
    return writeWholeFile(resultFilePath(ctx, ctx.folders.oddsFolder(), u"sei"_s), seiBytes(ctx), replacer);
}

} // namespace kazeyomi
