// A race's win odds over the day's fetches, read back from the day's database for the chart.
#pragma once

#include <QDateTime>
#include <QList>
#include <QSqlDatabase>
#include <QString>

#include "foundation/outcome.h"

namespace kazeyomi {

struct OddsPoint {
    QDateTime at; // when the fetch ran
    double odds = 0;
};

struct HorseOdds {
    QString horse;           // "03"
    QList<OddsPoint> points; // the fetches that gave it win odds, oldest first
    bool scratched = false;  // out (scratched, excluded, "－") on the race's last fetch
    QList<OddsPoint> moves;  // where a sharp fall of its win odds ended
};

struct [[nodiscard]] WinOddsSeries : Outcome {
    QList<HorseOdds> horses; // by horse number
};

// Every horse of the race that the win page ever showed, with no horse left out for having
// no odds yet: a horse scratched from the first fetch on still has its (empty) line.
WinOddsSeries winOddsSeries(const QSqlDatabase& database, const QString& venue, int race);

} // namespace kazeyomi
