#include "foundation/plain_file.h"

#include <QFileInfo>

namespace kazeyomi {

using namespace Qt::StringLiterals;

bool openPlainFile(QFile& file, QIODevice::OpenMode mode, QString& why)
{
    // Links need rights an ordinary user rarely has here; the name is looked at just before.
    why = notAPlainFile(file.fileName());
    if (!why.isEmpty())
        return false;
    if (!file.open(mode)) {
        why = file.errorString();
        return false;
    }
    return true;
}

QString notAPlainFile(const QString& path)
{
    const QFileInfo info(path);
    if (info.isSymbolicLink() || info.isJunction())
        return u"it is a symbolic link; left as it is"_s;
    if (info.exists() && !info.isFile())
        return u"it is not a regular file; left as it is"_s;
    return {};
}

} // namespace kazeyomi
