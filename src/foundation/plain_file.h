// Opening a file to write without ever writing through a link: the one place where the
// platform's own calls are needed, in plain_file_posix.cpp or plain_file_win32.cpp.
#pragma once

#include <QFile>
#include <QString>

namespace kazeyomi {

// Opens `file` (its name set) with `mode` (QIODevice::NewOnly creates it new and exclusive),
// refusing a name that is a symbolic link or not a regular file. False, with `why` set, when
// it is not open; the thing under the name is then left as it was.
bool openPlainFile(QFile& file, QIODevice::OpenMode mode, QString& why);

// Why the name cannot be written as a plain file (a link, a folder, a device); empty when it
// is a regular file or nothing is there.
QString notAPlainFile(const QString& path);

} // namespace kazeyomi
