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

QList<QStringList> dataRows(const QString& name)
{
    const QString path = QString::fromUtf8(KAZEYOMI_SAMPLES_DIR "/../tests/data/") + name;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw std::runtime_error("cannot read " + path.toStdString());
    QList<QStringList> rows;
    for (const QString& line : QString::fromUtf8(file.readAll()).split(u'\n')) {
        if (line.isEmpty() || line.startsWith(u'#'))
            continue;
        QStringList fields = line.split(u'\t');
        for (QString& field : fields)
            field.replace(QStringLiteral("\\n"), QStringLiteral("\n"))
                .replace(QStringLiteral("\\r"), QStringLiteral("\r"))
                .replace(QStringLiteral("\\t"), QStringLiteral("\t"));
        rows << fields;
    }
    return rows;
}

} // namespace kazeyomi::test
