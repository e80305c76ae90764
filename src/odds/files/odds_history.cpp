#include "odds/files/odds_history.h"

#include <QDir>
#include <QFile>

#include "foundation/context.h"
#include "foundation/controls.h"
#include "foundation/day_folders.h"
#include "foundation/form_state.h"
#include "foundation/free_format_reader.h"
#include "foundation/text_codec.h"

namespace kazeyomi {

using namespace Qt::StringLiterals;

QString oddsFilePath(const Context& ctx, const QString& extension)
{
    const QString key = ctx.form.text(Control::Text7) + ctx.form.text(Control::Text8);
    return QDir(ctx.folders.oddsFolder()).filePath(key + u'.' + extension);
}

QString Snapshot_append(const QString& historyPath, const QString& snapshotPath, const FileDevices& devices)
{
    if (!QFile::exists(snapshotPath))
        return {};
    QFile snapshot(snapshotPath);
    if (!snapshot.open(QIODevice::ReadOnly))
        return u"%1: cannot be read (%2)"_s.arg(QDir::toNativeSeparators(snapshotPath), snapshot.errorString());
    QString item;
    FreeFormatReader reader(fromCp932(snapshot.readAll()));
    if (!reader.next(item))
        return u"%1: the snapshot holds no line"_s.arg(QDir::toNativeSeparators(snapshotPath));
    return FileWriter(devices).appendLine(historyPath, toCp932(item) + kCrLf).error;
}

QString writeOddsLine(const Context& ctx, const QString& extension, const QString& snapshotLine, bool withLineEnd,
                      const FileDevices& devices)
{
    const QString history = oddsFilePath(ctx, extension);
    const QString snapshotPath = history + u'T';
    QByteArray bytes = toCp932(snapshotLine);
    if (withLineEnd)
        bytes += kCrLf;
    if (const WriteResult written = FileWriter(devices).write(snapshotPath, bytes); !written.ok())
        return written.error;
    const QString error = Snapshot_append(history, snapshotPath, devices);
    if (QFile::exists(snapshotPath) && !QFile::remove(snapshotPath) && error.isEmpty())
        return u"%1: cannot be deleted"_s.arg(QDir::toNativeSeparators(snapshotPath));
    return error;
}

} // namespace kazeyomi
