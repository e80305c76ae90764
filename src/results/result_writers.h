// The result files of a race in the odds folder: ".sei" (payouts, one line from
// VSFlexGrid16) and ".jyun" (first five horses, 20 lines from VSFlexGrid14).
#pragma once

#include <QByteArray>
#include <QString>

#include "foundation/file_writer.h"

namespace kazeyomi {

struct Context;

inline constexpr int kResultFieldWidth = 12;

// The file contents, CP932 with CR LF.
QByteArray seiBytes(const Context& ctx);
QByteArray jyunBytes(const Context& ctx);

// <odds folder of today>/<race file key>.sei and .jyun. Each creates the day folder if it is
// missing (its root must exist) and replaces the whole file; a failed write keeps the old
// file. A failure names the folder or file and the reason.
Outcome Sei_write(const Context& ctx, const FileDevices& devices = realFiles());
Outcome Jyun_write(const Context& ctx, const FileDevices& devices = realFiles());

// "成績変換テスト": makes 大井 race 03 the current race file key (it stays so) and writes its
// ".sei" from VSFlexGrid16 into the day folder, which must already exist.
Outcome Command9_Click(Context& ctx, const FileDevices& devices = realFiles());

} // namespace kazeyomi
