// A 256 KiB tmpfs on a temporary folder, for writes that meet a disk that is really full.
// Mounting needs root; where it is not allowed, mounted() is false and the test skips.
#pragma once

#include <QFile>
#include <QProcess>
#include <QString>
#include <QTemporaryDir>

namespace kazeyomi::test {

class SmallFileSystem {
public:
    SmallFileSystem()
    {
        m_mounted = m_dir.isValid() && run(QStringLiteral("mount"), {QStringLiteral("-t"), QStringLiteral("tmpfs"),
                                                                     QStringLiteral("-o"), QStringLiteral("size=256k"),
                                                                     QStringLiteral("kazeyomi-test"), m_dir.path()});
    }
    ~SmallFileSystem()
    {
        if (m_mounted)
            run(QStringLiteral("umount"), {m_dir.path()});
    }
    SmallFileSystem(const SmallFileSystem&) = delete;
    SmallFileSystem& operator=(const SmallFileSystem&) = delete;

    bool mounted() const { return m_mounted; }
    QString path() const { return m_dir.path(); }
    QString filePath(const QString& name) const { return m_dir.filePath(name); }
    // Takes every free block, so the next write that needs one fails with "no space"; then
    // what still fits of a smaller write.
    void fill() const
    {
        QFile filler(filePath(QStringLiteral("filler")));
        if (!filler.open(QIODevice::WriteOnly | QIODevice::Unbuffered))
            return;
        for (const qint64 size : {4096, 1}) {
            const QByteArray block(size, 'f');
            while (filler.write(block) == size) {
            }
        }
    }

private:
    QTemporaryDir m_dir;
    bool m_mounted = false;

    static bool run(const QString& program, const QStringList& arguments)
    {
        QProcess process;
        process.setProcessChannelMode(QProcess::MergedChannels);
        process.start(program, arguments);
        return process.waitForFinished(10'000) && process.exitStatus() == QProcess::NormalExit &&
               process.exitCode() == 0;
    }
};

} // namespace kazeyomi::test
