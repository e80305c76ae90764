#include "history/odds_series.h"

#include <map>

#include <QSqlError>
#include <QSqlQuery>

namespace kazeyomi {

using namespace Qt::StringLiterals;

namespace {

QDateTime storedTime(const QVariant& value)
{
    return QDateTime::fromString(value.toString(), u"yyyy-MM-ddTHH:mm:ss"_s);
}

} // namespace

WinOddsSeries winOddsSeries(const QSqlDatabase& database, const QString& venue, int race)
{
    WinOddsSeries series;
    std::map<QString, HorseOdds> horses; // by "01".."18", so in number order
    QSqlQuery query(database);
    query.prepare(u"SELECT f.fetched_at, o.combination, o.odds, o.mark FROM races r "
                  "JOIN fetches f ON f.race_id = r.race_id "
                  "JOIN odds o ON o.fetch_id = f.fetch_id AND o.bet_type = 'win' "
                  "WHERE r.venue = ? AND r.race = ? ORDER BY f.fetch_id"_s);
    query.addBindValue(venue);
    query.addBindValue(race);
    if (!query.exec()) {
        series.error = u"%1: cannot read the win odds: %2"_s.arg(database.databaseName(), query.lastError().text());
        return series;
    }
    while (query.next()) {
        HorseOdds& horse = horses[query.value(1).toString()];
        horse.horse = query.value(1).toString();
        horse.scratched = query.value(3).toString() == u"out"_s;
        // A cell with no odds (out, not on sale) leaves a gap; a log scale has no room for 0.
        const double odds = query.value(2).toDouble();
        if (!query.value(2).isNull() && odds > 0)
            horse.points << OddsPoint{storedTime(query.value(0)), odds};
    }

    query.prepare(u"SELECT m.combination, f.fetched_at, m.to_odds FROM races r "
                  "JOIN moves m ON m.race_id = r.race_id AND m.bet_type = 'win' "
                  "JOIN fetches f ON f.fetch_id = m.to_fetch "
                  "WHERE r.venue = ? AND r.race = ? ORDER BY m.move_id"_s);
    query.addBindValue(venue);
    query.addBindValue(race);
    if (!query.exec()) {
        series.error = u"%1: cannot read the odds moves: %2"_s.arg(database.databaseName(), query.lastError().text());
        return series;
    }
    while (query.next())
        if (const auto it = horses.find(query.value(0).toString()); it != horses.end())
            it->second.moves << OddsPoint{storedTime(query.value(1)), query.value(2).toDouble()};

    for (auto& [number, horse] : horses)
        series.horses << std::move(horse);
    return series;
}

} // namespace kazeyomi
