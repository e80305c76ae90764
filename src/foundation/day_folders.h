// The day's folders: nsdat2\<day key> for cards and snapshots, dat2\<day key> for odds
// and results, under the base folder. The day key is taken from the clock at every use.
#pragma once

#include <QString>
#include <QStringList>

namespace kazeyomi {

class Clock;

class DayFolders {
public:
    DayFolders(QString baseDir, const Clock& clock);

    QString dayKey() const; // "yymmdd"
    QString cardRoot() const;
    QString cardFolder() const;
    QString oddsRoot() const;
    QString oddsFolder() const;
    const QString& baseDir() const { return m_base; }

    // Creates the base folder if missing, then the four day folders in order, each only if
    // missing; returns one message per failure.
    [[nodiscard]] QStringList createAll() const;

private:
    QString m_base;
    const Clock& m_clock;
};

// "00" + n, last two characters: 5 gives "05".
QString twoDigitRace(int race);

} // namespace kazeyomi
