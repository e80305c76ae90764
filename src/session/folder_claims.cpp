#include "session/folder_claims.h"

#include <QDir>
#include <QLockFile>

namespace kazeyomi {

using namespace Qt::StringLiterals;

namespace {

// Enough for every window and command one user could run at once; a bound so that a folder
// of stale subfolders cannot make the search endless.
constexpr int kLastAppSubfolder = 32;

enum class Taken { Yes, Held, Failed };

// A lock whose process has ended (killed, crashed) is stale and taken over; a running
// holder is never timed out, however long it polls.
Taken tryHold(QLockFile& lock)
{
    lock.setStaleLockTime(0);
    if (lock.tryLock(0))
        return Taken::Yes;
    return lock.error() == QLockFile::LockFailedError ? Taken::Held : Taken::Failed;
}

QString holder(const QLockFile& lock)
{
    qint64 pid = 0;
    QString host, app;
    if (!lock.getLockInfo(&pid, &host, &app))
        return u"another run of the program"_s;
    return u"process %1 (%2 on %3)"_s.arg(pid).arg(app.isEmpty() ? u"?"_s : app, host.isEmpty() ? u"?"_s : host);
}

QString lockPath(const QString& folder, const char* name)
{
    return QDir(folder).filePath(QString::fromLatin1(name));
}

QString failed(const QString& folder, const char* name, const QLockFile& lock)
{
    const QString why =
        lock.error() == QLockFile::PermissionError ? u"no permission to create it"_s : u"it cannot be created"_s;
    return u"%1: the lock file %2 cannot be taken (%3)"_s.arg(QDir::toNativeSeparators(folder),
                                                              QString::fromLatin1(name), why);
}

} // namespace

FolderClaims::FolderClaims() = default;
FolderClaims::~FolderClaims() = default;

Outcome FolderClaims::claimAppFolder(QString& appDir, QString* notice)
{
    QString folder = appDir;
    QString firstHolder;
    for (int n = 1; n <= kLastAppSubfolder; ++n) {
        if (n > 1)
            folder = QDir(appDir).filePath(u"kazeyomi-%1"_s.arg(n));
        if (!QDir().mkpath(folder))
            return {u"%1: the application folder cannot be created"_s.arg(QDir::toNativeSeparators(folder))};
        auto lock = std::make_unique<QLockFile>(lockPath(folder, kAppFolderLock));
        switch (tryHold(*lock)) {
        case Taken::Yes:
            if (n > 1 && notice)
                *notice = u"the application folder %1 is in use by %2: this run keeps its pages in %3"_s.arg(
                    QDir::toNativeSeparators(appDir), firstHolder, QDir::toNativeSeparators(folder));
            m_locks.push_back(std::move(lock));
            appDir = folder;
            return {};
        case Taken::Held:
            if (n == 1)
                firstHolder = holder(*lock);
            break;
        case Taken::Failed:
            return {failed(folder, kAppFolderLock, *lock)};
        }
    }
    return {u"%1: the application folder and its %2 spare folders are all in use (first by %3)"_s
                .arg(QDir::toNativeSeparators(appDir))
                .arg(kLastAppSubfolder - 1)
                .arg(firstHolder)};
}

Outcome FolderClaims::claimBaseFolder(const QString& baseDir)
{
    if (!QDir().mkpath(baseDir))
        return {u"%1: the base folder cannot be created"_s.arg(QDir::toNativeSeparators(baseDir))};
    auto lock = std::make_unique<QLockFile>(lockPath(baseDir, kBaseFolderLock));
    switch (tryHold(*lock)) {
    case Taken::Yes:
        m_locks.push_back(std::move(lock));
        return {};
    case Taken::Held:
        return {u"%1 is already polled by %2: a second run polling it would write every history line twice; "
                "nothing is started"_s.arg(QDir::toNativeSeparators(baseDir), holder(*lock))};
    case Taken::Failed:
        break;
    }
    return {failed(baseDir, kBaseFolderLock, *lock)};
}

} // namespace kazeyomi
