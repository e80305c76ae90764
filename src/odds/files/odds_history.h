// The odds history files: one line per fetch appended to <odds folder>\<venue><race>.<ext>,
// by way of a one-line snapshot file "<ext>T" that exists only while a writer runs.
#pragma once

#include <QString>

#include "foundation/file_writer.h"

namespace kazeyomi {

struct Context;

// <odds folder of today>/<race file key>.<extension>
QString oddsFilePath(const Context& ctx, const QString& extension);

// Appends the snapshot's one item (the line without its leading blanks) and CR LF to the
// history. The append is all or nothing: a failed write leaves the history as it was.
// A missing snapshot adds nothing and is no failure.
Outcome Snapshot_append(const QString& historyPath, const QString& snapshotPath,
                        const FileDevices& devices = realFiles());

// Writes the snapshot file, appends it to the history and deletes it; the snapshot file is
// gone afterwards whether the line went in or not.
Outcome writeOddsLine(const Context& ctx, const QString& extension, const QString& snapshotLine, bool withLineEnd,
                      const FileDevices& devices = realFiles());

} // namespace kazeyomi
