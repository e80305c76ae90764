// Every file the program writes goes through here: whole-file replace, the append of one
// history line, and plain writes. Each is checked to the end and reports the path it failed
// on; a result is ok only when the file holds the new bytes whole. No write goes through a
// link: a name that is a link or not a regular file is refused and left as it is.
#pragma once

#include <memory>

#include <QByteArray>
#include <QIODevice>
#include <QString>

#include "foundation/outcome.h"

namespace kazeyomi {

// Where the writer's bytes go: real files for the program, failing devices for tests.
class FileDevices {
public:
    virtual ~FileDevices() = default;
    // `path` opened with `mode` (never through a link), or nullptr with `why` set. A device that is not a QFileDevice
    // reports bytes it could not write out at close() through bytesToWrite().
    virtual std::unique_ptr<QIODevice> open(const QString& path, QIODevice::OpenMode mode, QString& why) const;
    // Puts `from` in the place of `to` in one step; empty on success, else why not.
    virtual QString renameOver(const QString& from, const QString& to) const;
};

const FileDevices& realFiles();

class FileWriter {
public:
    explicit FileWriter(const FileDevices& devices = realFiles()) : m_devices(devices) {}

    // Readers poll these files: they see the old content or the new, never a part. The new
    // bytes go to "<path>.writing", made new (a leftover one is removed first), and are renamed
    // over the file once written whole; where
    // that is refused the file is overwritten in place and given back its old bytes if that fails.
    Outcome replace(const QString& path, const QByteArray& bytes) const;
    // Adds `line` to the end of the file (created if missing); a line that does not go
    // through whole is cut off again, so the file never keeps half a line.
    Outcome appendLine(const QString& path, const QByteArray& line) const;
    // Creates or truncates the file and writes it; a failed write removes the file.
    Outcome write(const QString& path, const QByteArray& bytes) const;

private:
    // Empty when every byte reached the device and it closed cleanly, else why not.
    QString writeAll(QIODevice& device, const QByteArray& bytes) const;
    QString overwriteInPlace(const QString& path, const QByteArray& bytes) const;

    const FileDevices& m_devices;
};

} // namespace kazeyomi
