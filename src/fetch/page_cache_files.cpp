#include "fetch/page_cache_files.h"

#include <utility>

#include <QDir>
#include <QFile>

#include "foundation/file_writer.h"

namespace kazeyomi {

using namespace Qt::StringLiterals;

PageCacheFiles::PageCacheFiles(QString appDir) : m_appDir(std::move(appDir))
{
    QDir().mkpath(m_appDir);
}

QString PageCacheFiles::path(const QString& name) const
{
    return QDir(m_appDir).filePath(name);
}

Outcome PageCacheFiles::writeBlankPage() const
{
    // Shipped with the program, but made again when it is missing.
    const QString blank = path(u"a.html"_s);
    if (QFile::exists(blank))
        return {};
    return FileWriter().write(blank, "<html><body></body></html>\r\n");
}

QString PageCacheFiles::removePages() const
{
    for (const auto& name : {u"tmp.txt"_s, u"tmp.html"_s, u"tmp.html2"_s}) {
        const QString file = path(name);
        if (QFile::exists(file) && !QFile::remove(file))
            return file;
    }
    return {};
}

Outcome PageCacheFiles::writePage(const QByteArray& bytes) const
{
    return FileWriter().replace(path(u"tmp.txt"_s), bytes);
}

} // namespace kazeyomi
