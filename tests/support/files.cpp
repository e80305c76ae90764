#include "support/files.h"

#include <stdexcept>

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include "foundation/text_codec.h"

namespace kazeyomi::test {

void writeBytes(const QString& path, const QByteArray& bytes)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
        throw std::runtime_error("cannot write " + path.toStdString());
}

void writeCp932(const QString& path, const QString& text)
{
    writeBytes(path, toCp932(text));
}

QByteArray readBytes(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return file.readAll();
}

} // namespace kazeyomi::test
