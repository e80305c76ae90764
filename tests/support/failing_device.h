// Devices that fail the way a full disk does, to show what a failed write leaves on disk.
#pragma once

#include <algorithm>
#include <climits>
#include <memory>

#include <QFile>
#include <QIODevice>
#include <QSet>
#include <QStringList>

#include "foundation/file_writer.h"

namespace kazeyomi::test {

// Writes through to a real file until its budget of bytes is spent. FailAt::Write: the write
// that passes the budget takes what fits and fails. FailAt::Close: every write is taken and
// held, and only the budget gets out at close(); the rest stays counted in bytesToWrite(),
// as a buffered write that fails at its flush.
class FailingDevice final : public QIODevice {
public:
    enum class FailAt { Write, Close };
    FailingDevice(const QString& path, qint64 budget, FailAt at) : m_file(path), m_budget(budget), m_at(at) {}

    bool open(OpenMode mode) override
    {
        if (!m_file.open(mode | Unbuffered)) {
            setErrorString(m_file.errorString());
            return false;
        }
        return QIODevice::open(mode | Unbuffered);
    }
    void close() override
    {
        const qint64 n = pass(m_held.constData(), m_held.size());
        m_held.remove(0, std::max<qint64>(n, 0));
        if (!m_held.isEmpty())
            setErrorString(QStringLiteral("No space left on device"));
        m_file.close();
        QIODevice::close();
    }
    qint64 bytesToWrite() const override { return m_held.size(); }

protected:
    qint64 readData(char*, qint64) override { return -1; }
    qint64 writeData(const char* data, qint64 len) override
    {
        if (m_at == FailAt::Close) {
            m_held.append(data, len);
            return len;
        }
        const qint64 n = pass(data, len);
        if (n < len)
            setErrorString(QStringLiteral("No space left on device"));
        return n == len || n > 0 ? n : -1;
    }

private:
    qint64 pass(const char* data, qint64 len)
    {
        const qint64 n = std::min(len, m_budget);
        if (n > 0 && m_file.write(data, n) != n)
            return -1;
        m_budget -= n;
        return n;
    }

    QFile m_file;
    qint64 m_budget;
    FailAt m_at;
    QByteArray m_held;
};

// Real files, except that the opens numbered in `failing` (0 = the first) give failing
// devices, and every rename is refused while `refuseRenames` holds a reason.
class FailingFiles : public FileDevices {
public:
    FailingFiles(qint64 budget, FailingDevice::FailAt at, QSet<int> failing = {0})
        : m_budget(budget), m_at(at), m_failing(std::move(failing))
    {
    }
    FailingFiles() : FailingFiles(0, FailingDevice::FailAt::Write, {}) {}

    std::unique_ptr<QIODevice> open(const QString& path, QIODevice::OpenMode mode, QString& why) const override
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
    QString renameOver(const QString& from, const QString& to) const override
    {
        return refuseRenames.isEmpty() ? FileDevices::renameOver(from, to) : refuseRenames;
    }

    QString refuseRenames;
    mutable QStringList opened; // every path opened, in order

private:
    qint64 m_budget;
    FailingDevice::FailAt m_at;
    QSet<int> m_failing;
};

} // namespace kazeyomi::test
