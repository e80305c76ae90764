#include "odds/files/odds_history.h"

#include <QDir>
#include <QFile>

#include "shell/context.h"
#include "shell/day_folders.h"
#include "shell/form_state.h"
#include "shell/free_format_reader.h"
#include "shell/text_codec.h"

namespace kazeyomi {

using namespace Qt::StringLiterals;

QString oddsFilePath(const Context& ctx, const QString& extension)
{
    const QString key = ctx.form.text(u"Text7"_s) + ctx.form.text(u"Text8"_s);
    return QDir(ctx.folders.oddsFolder()).filePath(key + u'.' + extension);
}

QString Snapshot_append(const QString& historyPath, const QString& snapshotPath)
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

    QFile history(historyPath);
    if (!history.open(QIODevice::WriteOnly | QIODevice::Append))
        return u"%1: cannot be opened for appending (%2)"_s.arg(QDir::toNativeSeparators(historyPath),
                                                                 history.errorString());
    const qint64 before = history.size();
    const QByteArray line = toCp932(item) + kCrLf;
    // Readers must never see half a line: undo a write that did not go through whole.
    if (history.write(line) != line.size() || !history.flush()) {
        const QString why = history.errorString();
        history.resize(before);
        return u"%1: the line could not be appended (%2)"_s.arg(QDir::toNativeSeparators(historyPath), why);
    }
    return {};
}

QString writeOddsLine(const Context& ctx, const QString& extension, const QString& snapshotLine, bool withLineEnd)
{
    const QString history = oddsFilePath(ctx, extension);
    const QString snapshotPath = history + u'T';
    {
        QFile snapshot(snapshotPath);
        if (!snapshot.open(QIODevice::WriteOnly | QIODevice::Truncate))
            return u"%1: cannot be written (%2)"_s.arg(QDir::toNativeSeparators(snapshotPath), snapshot.errorString());
        QByteArray bytes = toCp932(snapshotLine);
        if (withLineEnd)
            bytes += kCrLf;
        if (snapshot.write(bytes) != bytes.size() || !snapshot.flush())
            return u"%1: cannot be written (%2)"_s.arg(QDir::toNativeSeparators(snapshotPath), snapshot.errorString());
    }
    if (const QString error = Snapshot_append(history, snapshotPath); !error.isEmpty())
        return error;
    if (QFile::exists(snapshotPath) && !QFile::remove(snapshotPath))
        return u"%1: cannot be deleted"_s.arg(QDir::toNativeSeparators(snapshotPath));
    return {};
}

} // namespace kazeyomi
