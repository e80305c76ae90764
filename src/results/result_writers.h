// The result files of a race in the odds folder: ".sei" (payouts, one line from
// VSFlexGrid16) and ".jyun" (first five horses, 20 lines from VSFlexGrid14).
#pragma once

#include <QByteArray>
#include <QString>

namespace kazeyomi {

struct Context;

inline constexpr int kResultFieldWidth = 12;

// Puts a finished file in the place of the old one in a single step.
class FileReplacer {
public:
    virtual ~FileReplacer() = default;
    // Empty on success, else why the file could not be replaced; the old file is then intact.
    virtual QString replace(const QString& path, const QByteArray& bytes) const = 0;
};

// Writes a temporary file beside the target and renames it over the target.
const FileReplacer& renameReplacer();

// Replaces the file whole; where the replacement is refused (a reader holding the file on
// Windows, a folder without room for a temporary file) the file is rewritten in place.
// Empty on success, else a message naming the file and the reason.
QString writeWholeFile(const QString& path, const QByteArray& bytes, const FileReplacer& replacer = renameReplacer());

// A cell's text without its leading and trailing spaces, right-aligned in 12 characters:
// a longer text keeps only its last 12 characters.
QString resultField(const QString& cellText);

// The file contents, CP932 with CR LF.
QByteArray seiBytes(const Context& ctx);
QByteArray jyunBytes(const Context& ctx);

// <odds folder of today>/<Text7><Text8>.sei and .jyun. Each creates the day folder if it is
// missing (its root must exist) and replaces the whole file. Empty on success, else a
// message naming the folder or file and the reason; never throws.
QString Sei_write(const Context& ctx, const FileReplacer& replacer = renameReplacer());
QString Jyun_write(const Context& ctx, const FileReplacer& replacer = renameReplacer());

// "成績変換テスト": makes 大井 race 03 the current race file key (it stays so) and writes its
// ".sei" from VSFlexGrid16 into the day folder, which must already exist.
QString Command9_Click(Context& ctx, const FileReplacer& replacer = renameReplacer());

} // namespace kazeyomi
