#include "foundation/plain_file.h"

#include <cerrno>
#include <cstring>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace kazeyomi {

using namespace Qt::StringLiterals;

namespace {

int openFlags(QIODevice::OpenMode mode)
{
    // Non-blocking, so that a pipe planted under the name cannot hold the open; cleared below.
    int flags = O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK;
    if ((mode & QIODevice::ReadWrite) == QIODevice::ReadWrite)
        flags |= O_RDWR;
    else if (mode & QIODevice::WriteOnly)
        flags |= O_WRONLY;
    else
        flags |= O_RDONLY;
    if ((mode & QIODevice::WriteOnly) && !(mode & QIODevice::ExistingOnly))
        flags |= O_CREAT;
    if (mode & QIODevice::NewOnly)
        flags |= O_CREAT | O_EXCL;
    if (mode & QIODevice::Truncate)
        flags |= O_TRUNC;
    if (mode & QIODevice::Append)
        flags |= O_APPEND;
    return flags;
}

} // namespace

bool openPlainFile(QFile& file, QIODevice::OpenMode mode, QString& why)
{
    const QByteArray name = QFile::encodeName(file.fileName());
    const int fd = ::open(name.constData(), openFlags(mode), 0666);
    if (fd < 0) {
        const int error = errno;
        why = notAPlainFile(file.fileName());
        if (why.isEmpty())
            why = QString::fromLocal8Bit(std::strerror(error));
        return false;
    }
    struct stat status {};
    if (::fstat(fd, &status) != 0 || !S_ISREG(status.st_mode)) {
        ::close(fd);
        why = u"it is not a regular file; left as it is"_s;
        return false;
    }
    if (const int flags = ::fcntl(fd, F_GETFL); flags == -1 || ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK) == -1) {
        why = QString::fromLocal8Bit(std::strerror(errno));
        ::close(fd);
        return false;
    }
    // Creation and truncation are done: the handle is taken as it is.
    const QIODevice::OpenMode taken = mode & ~(QIODevice::NewOnly | QIODevice::ExistingOnly | QIODevice::Truncate);
    if (!file.open(fd, taken, QFileDevice::AutoCloseHandle)) {
        why = file.errorString();
        ::close(fd);
        return false;
    }
    return true;
}

QString notAPlainFile(const QString& path)
{
    struct stat status {};
    if (::lstat(QFile::encodeName(path).constData(), &status) != 0)
        return {};
    if (S_ISLNK(status.st_mode))
        return u"it is a symbolic link; left as it is"_s;
    if (!S_ISREG(status.st_mode))
        return u"it is not a regular file; left as it is"_s;
    return {};
}

} // namespace kazeyomi
