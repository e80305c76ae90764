#include "foundation/context.h"

#include <QDir>

namespace kazeyomi {

QString Context::appFile(const QString& name) const
{
    return QDir(appDir).filePath(name);
}

} // namespace kazeyomi
