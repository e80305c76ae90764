#include "odds/files/odds_history.h"

#include <algorithm>

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

namespace {

// The snapshot's one item, the line without its leading blanks, appended to the history.
Outcome appendItem(const QString& historyPath, const QString& snapshotPath, const QString& snapshotText,
                   const FileDevices& devices)
{
    QString item;
    FreeFormatReader reader(snapshotText);
    if (!reader.next(item))
        return {u"%1: the snapshot holds no line"_s.arg(QDir::toNativeSeparators(snapshotPath))};
    return FileWriter(devices).appendLine(historyPath, toCp932(item) + kCrLf);
}

// A line the free-format read takes whole: no leading blank, no quote, comma or line break.
bool readsWhole(const QString& line)
{
    if (line.isEmpty() || line.front() == u' ' || line.front() == u'\t')
        return false;
    return std::none_of(line.cbegin(), line.cend(),
                        [](QChar c) { return c == u',' || c == u'"' || c == u'\r' || c == u'\n'; });
}

// The snapshot file goes whether the line went in or not; a failure to delete it is reported
// only when the append itself went well.
Outcome removeSnapshot(const QString& snapshotPath, const Outcome& appended)
{
    if (QFile::exists(snapshotPath) && !QFile::remove(snapshotPath) && appended.ok())
        return {u"%1: cannot be deleted"_s.arg(QDir::toNativeSeparators(snapshotPath))};
    return appended;
}

// Blank to tilde only, and whether the free-format read takes the line whole (no comma or
// quote, no leading blank), in one look: the odds lines are tens of thousands of characters.
// Eight characters at a time without a branch, a loop the compiler turns into vector code.
bool printableAscii(QStringView line, bool& whole)
{
    const char16_t* at = line.utf16();
    const qsizetype size = line.size();
    // Per lane: blank to tilde gives 0 (the unsigned difference stays below 0x5f).
    const auto outside = [](char16_t u) { return char16_t(char16_t(u - 0x20) > 0x5e); };
    const auto endsItem = [](char16_t u) { return char16_t((u == u',') | (u == u'"')); };
    char16_t bad[8] = {};
    char16_t stops[8] = {};
    qsizetype i = 0;
    for (; i + 8 <= size; i += 8) {
        for (int k = 0; k < 8; ++k) {
            bad[k] |= outside(at[i + k]);
            stops[k] |= endsItem(at[i + k]);
        }
    }
    for (; i < size; ++i) {
        bad[0] |= outside(at[i]);
        stops[0] |= endsItem(at[i]);
    }
    char16_t anyBad = 0;
    char16_t anyStop = 0;
    for (int k = 0; k < 8; ++k) {
        anyBad |= bad[k];
        anyStop |= stops[k];
    }
    if (anyBad)
        return false;
    whole = !anyStop && size > 0 && at[0] != u' ';
    return true;
}

// The code page writes each printable ASCII character as its own byte and reads it back so.
bool printableAsciiIsItself()
{
    static const bool same = [] {
        QString all;
        for (char16_t u = 0x20; u <= 0x7e; ++u)
            all += QChar(u);
        const QByteArray bytes = all.toLatin1();
        return toCp932(all) == bytes && fromCp932(bytes) == all;
    }();
    return same;
}

} // namespace

Outcome Snapshot_append(const QString& historyPath, const QString& snapshotPath, const FileDevices& devices)
{
    if (!QFile::exists(snapshotPath))
        return {};
    QFile snapshot(snapshotPath);
    if (!snapshot.open(QIODevice::ReadOnly))
        return {u"%1: cannot be read (%2)"_s.arg(QDir::toNativeSeparators(snapshotPath), snapshot.errorString())};
    return appendItem(historyPath, snapshotPath, fromCp932(snapshot.readAll()), devices);
}

Outcome writeOddsLine(const Context& ctx, const QString& extension, const QString& snapshotLine, bool withLineEnd,
                      const FileDevices& devices)
{
    const QString history = oddsFilePath(ctx, extension);
    const QString snapshotPath = history + u'T';
    bool whole = false;
    if (printableAscii(snapshotLine, whole) && printableAsciiIsItself()) {
        // The usual line: its bytes are its characters, and it reads back as itself.
        QByteArray bytes = snapshotLine.toLatin1();
        if (withLineEnd)
            bytes += kCrLf;
        if (Outcome written = FileWriter(devices).write(snapshotPath, bytes); !written.ok())
            return written;
        const Outcome appended = whole ? FileWriter(devices).appendLine(history, withLineEnd ? bytes : bytes + kCrLf)
                                       : appendItem(history, snapshotPath, snapshotLine, devices);
        return removeSnapshot(snapshotPath, appended);
    }
    QByteArray bytes = toCp932(snapshotLine);
    if (withLineEnd)
        bytes += kCrLf;
    if (Outcome written = FileWriter(devices).write(snapshotPath, bytes); !written.ok())
        return written;
    // The snapshot just written whole is what it reads back as, when the code page has every
    // character; then it is not read again, and a line read whole is not encoded again either.
    Outcome appended;
    if (!roundTripsCp932(snapshotLine))
        appended = appendItem(history, snapshotPath, fromCp932(bytes), devices);
    else if (readsWhole(snapshotLine))
        appended = FileWriter(devices).appendLine(history, bytes.left(bytes.size() - (withLineEnd ? 2 : 0)) + kCrLf);
    else
        appended = appendItem(history, snapshotPath, snapshotLine, devices);
    return removeSnapshot(snapshotPath, appended);
}

} // namespace kazeyomi
