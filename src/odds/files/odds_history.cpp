#include "odds/files/odds_history.h"

#include <QDir>
#include <QFile>

#include "foundation/context.h"
#include "foundation/day_folders.h"
#include "foundation/form_state.h"
#include "foundation/free_format_reader.h"
#include "foundation/race_file_key.h"
#include "foundation/text_codec.h"

namespace kazeyomi {

using namespace Qt::StringLiterals;

QString oddsFilePath(const Context& ctx, const QString& extension)
{
    return raceFilePath(ctx.form, ctx.folders.oddsFolder(), extension);
}

Outcome Snapshot_append(const QString& historyPath, const QString& snapshotPath, const FileDevices& devices)
{
    if (!QFile::exists(snapshotPath))
        return {};
    QFile snapshot(snapshotPath);
    if (!snapshot.open(QIODevice::ReadOnly))
        return {u"%1: cannot be read (%2)"_s.arg(QDir::toNativeSeparators(snapshotPath), snapshot.errorString())};
    QString item;
    FreeFormatReader reader(fromCp932(snapshot.readAll()));
    if (!reader.next(item))
        return {u"%1: the snapshot holds no line"_s.arg(QDir::toNativeSeparators(snapshotPath))};
    return FileWriter(devices).appendLine(historyPath, toCp932(item) + kCrLf);
}

Outcome writeOddsLine(const Context& ctx, const QString& extension, const QString& snapshotLine, bool withLineEnd,
                      const FileDevices& devices)
{
    const QString history = oddsFilePath(ctx, extension);
    const QString snapshotPath = history + u'T';
    QByteArray bytes = toCp932(snapshotLine);
    if (withLineEnd)
        bytes += kCrLf;
    if (Outcome written = FileWriter(devices).write(snapshotPath, bytes); !written.ok())
        return written;
    const Outcome appended = Snapshot_append(history, snapshotPath, devices);
    if (QFile::exists(snapshotPath) && !QFile::remove(snapshotPath) && appended.ok())
        return {u"%1: cannot be deleted"_s.arg(QDir::toNativeSeparators(snapshotPath))};
    return appended;
}

} // namespace kazeyomi
