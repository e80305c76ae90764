// A 256 KiB tmpfs on a temporary folder, for writes that meet a disk that is really full.
// Mounting needs root; where it is not allowed, mounted() is false and the test skips.
#pragma once

#include <QString>
#include <QTemporaryDir>

namespace kazeyomi::test {

class SmallFileSystem {
public:
    SmallFileSystem();
    ~SmallFileSystem();
    SmallFileSystem(const SmallFileSystem&) = delete;
    SmallFileSystem& operator=(const SmallFileSystem&) = delete;

    bool mounted() const { return m_mounted; }
    QString path() const { return m_dir.path(); }
    QString filePath(const QString& name) const { return m_dir.filePath(name); }
    // Takes every free block, so the next write that needs one fails with "no space".
    void fill() const;

private:
    QTemporaryDir m_dir;
    bool m_mounted = false;
};

} // namespace kazeyomi::test
