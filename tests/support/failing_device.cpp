#include "support/failing_device.h"

#include <algorithm>

namespace kazeyomi::test {

using namespace Qt::StringLiterals;

FailingDevice::FailingDevice(const QString& path, qint64 budget, FailAt at) : m_file(path), m_budget(budget), m_at(at)
{
}

bool FailingDevice::open(OpenMode mode)
{
    if (!m_file.open(mode | Unbuffered)) {
        setErrorString(m_file.errorString());
        return false;
    }
    return QIODevice::open(mode | Unbuffered);
}

qint64 FailingDevice::pass(const char* data, qint64 len)
{
    const qint64 n = std::min(len, m_budget);
    if (n > 0 && m_file.write(data, n) != n)
        return -1;
    m_budget -= n;
    return n;
}

qint64 FailingDevice::writeData(const char* data, qint64 len)
{
    if (m_at == FailAt::Close) {
        m_held.append(data, len);
        return len;
    }
    const qint64 n = pass(data, len);
    if (n == len)
        return n;
    setErrorString(u"No space left on device"_s);
    return n > 0 ? n : -1;
}

void FailingDevice::close()
{
    const qint64 n = pass(m_held.constData(), m_held.size());
    m_held.remove(0, std::max<qint64>(n, 0));
    if (!m_held.isEmpty())
        setErrorString(u"No space left on device"_s);
    m_file.close();
    QIODevice::close();
}

std::unique_ptr<QIODevice> FailingFiles::open(const QString& path, QIODevice::OpenMode mode, QString& why) const
{
    const bool fail = m_failing.contains(int(opened.size()));
    opened << path;
    if (!fail)
        return FileDevices::open(path, mode, why);
    auto device = std::make_unique<FailingDevice>(path, m_budget, m_at);
    if (!device->open(mode)) {
        why = device->errorString();
        return nullptr;
    }
    return device;
}

QString FailingFiles::renameOver(const QString& from, const QString& to) const
{
    return refuseRenames.isEmpty() ? FileDevices::renameOver(from, to) : refuseRenames;
}

} // namespace kazeyomi::test
