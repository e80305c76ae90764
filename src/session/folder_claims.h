// The folders one run of the program uses alone: the application folder, whose page cache
// and work files hold one page at a time, and, for a run that polls, the base folder, whose
// history files would otherwise get every line twice.
#pragma once

#include <memory>
#include <vector>

#include <QString>

#include "foundation/outcome.h"

class QLockFile;

namespace kazeyomi {

class FolderClaims {
public:
    FolderClaims();
    ~FolderClaims();
    FolderClaims(const FolderClaims&) = delete;
    FolderClaims& operator=(const FolderClaims&) = delete;

    // Holds `appDir`; when another run holds it, the first free "kazeyomi-N" folder inside it
    // (N from 2), so that a race or card command beside the window never reads the window's
    // pages. `appDir` becomes the folder held, and `notice` says why when it is not the one asked.
    [[nodiscard]] Outcome claimAppFolder(QString& appDir, QString* notice);
    // Holds the base folder for polling; refused, naming the run that polls it, when held.
    [[nodiscard]] Outcome claimBaseFolder(const QString& baseDir);

private:
    std::vector<std::unique_ptr<QLockFile>> m_locks;
};

// The lock files of the folders held: two names, so that one folder may serve as both.
inline constexpr char kAppFolderLock[] = "kazeyomi-pages.lock";
inline constexpr char kBaseFolderLock[] = "kazeyomi-poll.lock";

} // namespace kazeyomi
