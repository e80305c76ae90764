#include "foundation/file_writer.h"

#include <algorithm>
#include <filesystem>
#include <system_error>

#include <QDir>
#include <QFile>
#include <QFileDevice>
#include <QFileInfo>

#include "foundation/plain_file.h"

namespace kazeyomi {

using namespace Qt::StringLiterals;

namespace {

QString native(const QString& path)
{
    return QDir::toNativeSeparators(path);
}

// Removes what the writer made: a plain file or a link, never a device or a pipe under that name.
void removeMade(const QString& path)
{
    const QFileInfo info(path);
    if (info.isFile() || info.isSymLink())
        QFile::remove(path);
}

// A temporary left by a writer that stopped half-way is removed, never written through: it may
// have been replaced by a link meanwhile. Empty when the name is free.
QString clearLeftover(const QString& temp)
{
    const QFileInfo info(temp);
    if (!info.isSymLink() && !info.exists())
        return {};
    if (!info.isSymLink() && !info.isFile())
        return u"%1: %2"_s.arg(native(temp), notAPlainFile(temp));
    if (!QFile::remove(temp))
        return u"%1: a leftover temporary file cannot be removed"_s.arg(native(temp));
    return {};
}

} // namespace

std::unique_ptr<QIODevice> FileDevices::open(const QString& path, QIODevice::OpenMode mode, QString& why) const
{
    auto file = std::make_unique<QFile>(path);
    // Unbuffered: a full disk fails the write itself instead of a later flush.
    if (!openPlainFile(*file, mode | QIODevice::Unbuffered, why))
        return nullptr;
    return file;
}

QString FileDevices::renameOver(const QString& from, const QString& to) const
{
    // QFile::rename refuses an existing target; this replaces it in one step on every platform.
    std::error_code error;
    std::filesystem::rename(QFileInfo(from).filesystemFilePath(), QFileInfo(to).filesystemFilePath(), error);
    return error ? QString::fromLocal8Bit(error.message()) : QString();
}

const FileDevices& realFiles()
{
    static const FileDevices files;
    return files;
}

QString FileWriter::writeAll(QIODevice& device, const QByteArray& bytes) const
{
    auto* file = qobject_cast<QFileDevice*>(&device);
    QString why;
    const qint64 written = device.write(bytes);
    if (written != bytes.size())
        why = u"%1 of %2 bytes written: %3"_s.arg(std::max<qint64>(written, 0))
                  .arg(bytes.size())
                  .arg(device.errorString());
    else if (file && !file->flush())
        why = file->errorString();
    // A clean close clears an earlier error of the file, so the reason is taken before it.
    device.close();
    if (why.isEmpty() && file && file->error() != QFileDevice::NoError)
        why = file->errorString();
    if (why.isEmpty() && !file && device.bytesToWrite() > 0)
        why = device.errorString();
    return why;
}

QString FileWriter::overwriteInPlace(const QString& path, const QByteArray& bytes) const
{
    if (const QString refused = notAPlainFile(path); !refused.isEmpty())
        return refused;
    const bool existed = QFileInfo::exists(path);
    // The old bytes are kept in memory so that a failure can put them back.
    QByteArray old;
    if (existed) {
        QFile in(path);
        if (!in.open(QIODevice::ReadOnly))
            return in.errorString();
        old = in.readAll();
        if (in.error() != QFileDevice::NoError)
            return in.errorString();
    }
    // ReadWrite: WriteOnly would truncate the file before a single new byte is safe.
    QString why;
    auto device = m_devices.open(path, QIODevice::ReadWrite, why);
    if (!device)
        return why;
    why = writeAll(*device, bytes);
    device.reset();
    if (why.isEmpty() && old.size() > bytes.size() && !QFile::resize(path, bytes.size()))
        why = u"it cannot be cut to %1 bytes"_s.arg(bytes.size());
    if (why.isEmpty())
        return {};

    bool restored = false;
    if (!existed) {
        removeMade(path);
        restored = !QFileInfo::exists(path);
    } else {
        QString ignored;
        if (auto again = m_devices.open(path, QIODevice::ReadWrite, ignored))
            restored = writeAll(*again, old).isEmpty() && QFile::resize(path, old.size());
    }
    return restored ? why : why + u"; its old bytes could not be put back"_s;
}

Outcome FileWriter::replace(const QString& path, const QByteArray& bytes) const
{
    if (const QString refused = notAPlainFile(path); !refused.isEmpty())
        return {u"%1: cannot be written, %2"_s.arg(native(path), refused)};
    const QString temp = path + u".writing"_s;
    if (const QString left = clearLeftover(temp); !left.isEmpty())
        return {u"%1: cannot be written (%2)"_s.arg(native(path), left)};
    QString why;
    auto device = m_devices.open(temp, QIODevice::WriteOnly | QIODevice::NewOnly, why);
    if (!device) {
        // No second name fits beside the file (a name at the length limit): overwrite it.
        const QString failed = overwriteInPlace(path, bytes);
        if (failed.isEmpty())
            return {};
        return {
            u"%1: cannot be written (a temporary file beside it: %2; in place: %3)"_s.arg(native(path), why, failed)};
    }
    why = writeAll(*device, bytes);
    device.reset();
    if (!why.isEmpty()) {
        // A full disk: writing in place would hit it too, so the old file stays as it is.
        removeMade(temp);
        return {u"%1: cannot be written, the old file is kept (%2)"_s.arg(native(path), why)};
    }
    const QString refused = m_devices.renameOver(temp, path);
    if (refused.isEmpty())
        return {};
    // A reader holding the file open on Windows refuses the rename; the new bytes are whole in memory.
    const QString failed = overwriteInPlace(path, bytes);
    removeMade(temp);
    if (failed.isEmpty())
        return {};
    return {u"%1: cannot be written (replacing it: %2; in place: %3)"_s.arg(native(path), refused, failed)};
}

Outcome FileWriter::appendLine(const QString& path, const QByteArray& line) const
{
    if (const QString refused = notAPlainFile(path); !refused.isEmpty())
        return {u"%1: the line cannot be appended, %2"_s.arg(native(path), refused)};
    const QFileInfo info(path);
    const bool existed = info.exists();
    const qint64 before = existed ? info.size() : 0;
    QString why;
    auto device = m_devices.open(path, QIODevice::WriteOnly | QIODevice::Append, why);
    if (!device)
        return {u"%1: cannot be opened for appending (%2)"_s.arg(native(path), why)};
    why = writeAll(*device, line);
    device.reset();
    if (why.isEmpty())
        return {};
    // Other programs read every line they find: cut the file back to the lines it had.
    if (!existed)
        removeMade(path);
    const bool cut = existed ? QFile::resize(path, before) : !QFileInfo::exists(path);
    const QString left = cut ? QString() : u"; it could not be cut back to its %1 bytes"_s.arg(before);
    return {u"%1: the line could not be appended (%2)%3"_s.arg(native(path), why, left)};
}

Outcome FileWriter::write(const QString& path, const QByteArray& bytes) const
{
    if (const QString refused = notAPlainFile(path); !refused.isEmpty())
        return {u"%1: cannot be written, %2"_s.arg(native(path), refused)};
    QString why;
    auto device = m_devices.open(path, QIODevice::WriteOnly | QIODevice::Truncate, why);
    if (!device)
        return {u"%1: cannot be written (%2)"_s.arg(native(path), why)};
    why = writeAll(*device, bytes);
    device.reset();
    if (why.isEmpty())
        return {};
    // A file cut short holds nothing a reader could use; the next write makes it again.
    removeMade(path);
    return {u"%1: cannot be written (%2)"_s.arg(native(path), why)};
}

} // namespace kazeyomi
