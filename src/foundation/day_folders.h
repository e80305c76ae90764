// The day's folders: nsdat2\<day key> for cards and snapshots, dat2\<day key> for odds
// and results, under the base folder. The day key is the day being worked on once it is
// fixed (start-up, the start of polling), else the clock's date at the moment of use.
#pragma once

#include <QDate>
#include <QString>
#include <QStringList>

namespace kazeyomi {

class Clock;

class DayFolders {
public:
    DayFolders(QString baseDir, const Clock& clock);

    // A fetch that ends after midnight still belongs to the day that was polled: everything a
    // race's cycle writes, and the schedule kept at the end, goes into that day's folders.
    void fixDay(const QDate& day) { m_day = day; }
    QDate day() const;
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
    QDate m_day; // invalid until fixed
};

// "00" + n, last two characters: 5 gives "05".
QString twoDigitRace(int race);

} // namespace kazeyomi
