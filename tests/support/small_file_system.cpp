#include "support/small_file_system.h"

#include <QFile>
#include <QProcess>

namespace kazeyomi::test {

using namespace Qt::StringLiterals;

namespace {

bool run(const QString& program, const QStringList& arguments)
{
    QProcess process;
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.start(program, arguments);
    return process.waitForFinished(10'000) && process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0;
}

} // namespace

SmallFileSystem::SmallFileSystem()
{
    m_mounted = m_dir.isValid() &&
                run(u"mount"_s, {u"-t"_s, u"tmpfs"_s, u"-o"_s, u"size=256k"_s, u"kazeyomi-test"_s, m_dir.path()});
}

SmallFileSystem::~SmallFileSystem()
{
    if (m_mounted)
        run(u"umount"_s, {m_dir.path()});
}

void SmallFileSystem::fill() const
{
    QFile filler(filePath(u"filler"_s));
    if (!filler.open(QIODevice::WriteOnly | QIODevice::Unbuffered))
        return;
    const QByteArray block(4096, 'f');
    while (filler.write(block) == block.size()) {
    }
    // What still fits of a smaller write.
    while (filler.write("f", 1) == 1) {
    }
}

} // namespace kazeyomi::test
