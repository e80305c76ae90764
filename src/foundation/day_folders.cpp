#include "foundation/day_folders.h"

#include <QDir>
#include <QFileInfo>

#include "foundation/clock.h"

namespace kazeyomi {

using namespace Qt::StringLiterals;

DayFolders::DayFolders(QString baseDir, const Clock& clock) : m_base(std::move(baseDir)), m_clock(clock) {}

QDate DayFolders::day() const
{
    return m_day.isValid() ? m_day : m_clock.now().date();
}
QString DayFolders::dayKey() const
{
    return day().toString(u"yyMMdd"_s);
}
QString DayFolders::cardRoot() const
{
    return QDir(m_base).filePath(u"nsdat2"_s);
}
QString DayFolders::cardFolder() const
{
    return QDir(cardRoot()).filePath(dayKey());
}
QString DayFolders::oddsRoot() const
{
    return QDir(m_base).filePath(u"dat2"_s);
}
QString DayFolders::oddsFolder() const
{
    return QDir(oddsRoot()).filePath(dayKey());
}

QStringList DayFolders::createAll() const
{
    QStringList problems;
    // The base folder stands for the fixed drive folder and is set up once, whole.
    if (!QFileInfo(m_base).isDir() && !QDir().mkpath(m_base))
        return {u"%1: the base folder cannot be created"_s.arg(QDir::toNativeSeparators(m_base))};
    // Only one level at a time, as the folders are made one after the other.
    for (const QString& path : {cardRoot(), cardFolder(), oddsRoot(), oddsFolder()}) {
        if (QFileInfo(path).isDir())
            continue;
        if (!QDir().mkdir(path))
            problems << u"%1: the folder cannot be created"_s.arg(QDir::toNativeSeparators(path));
    }
    return problems;
}

QString twoDigitRace(int race)
{
    return (u"00"_s + QString::number(race)).right(2);
}

} // namespace kazeyomi
