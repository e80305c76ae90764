#include "history/day_export.h"

#include <QIODevice>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QVariant>

#include "history/history_database.h"

namespace kazeyomi {

using namespace Qt::StringLiterals;

namespace {

const QStringList kColumns = {u"venue"_s,       u"race"_s,  u"fetch"_s, u"fetched_at"_s, u"odds_time"_s, u"bet_type"_s,
                              u"combination"_s, u"shown"_s, u"odds"_s,  u"low"_s,        u"high"_s,      u"mark"_s};

QString csvField(const QVariant& value)
{
    QString text = value.isNull() ? QString() : value.toString();
    if (text.contains(u',') || text.contains(u'"') || text.contains(u'\n') || text.contains(u'\r'))
        text = u'"' + text.replace(u"\""_s, u"\"\""_s) + u'"';
    return text;
}

} // namespace

Counted exportHistory(HistoryDatabase& database, const ExportChoice& choice, QIODevice& out)
{
    Counted counted;
    if (!database.ok()) {
        counted.error = database.error();
        return counted;
    }
    QSqlQuery query(database.database());
    query.setForwardOnly(true);
    QString sql = u"SELECT r.venue, r.race, f.fetch_id, f.fetched_at, f.odds_time, o.bet_type, o.combination, o.shown, "
                  "o.odds, o.low, o.high, o.mark FROM odds o JOIN fetches f ON f.fetch_id = o.fetch_id "
                  "JOIN races r ON r.race_id = f.race_id"_s;
    if (!choice.venue.isEmpty())
        sql += u" WHERE r.venue = ? AND r.race = ?"_s;
    // Bet types in the order of the site's pages.
    sql += u" ORDER BY r.venue, r.race, f.fetch_id, CASE o.bet_type WHEN 'win' THEN 1 WHEN 'place' THEN 2 "
           "WHEN 'quinella' THEN 3 WHEN 'exacta' THEN 4 WHEN 'wide' THEN 5 WHEN 'trio' THEN 6 ELSE 7 END, "
           "o.combination"_s;
    query.prepare(sql);
    if (!choice.venue.isEmpty()) {
        query.addBindValue(choice.venue);
        query.addBindValue(choice.race);
    }
    if (!query.exec()) {
        counted.error = u"%1: cannot be read: %2"_s.arg(database.path(), query.lastError().text());
        return counted;
    }
    const auto put = [&](const QByteArray& bytes) { return out.write(bytes) == bytes.size(); };
    if (!choice.jsonLines && !put(kColumns.join(u',').toUtf8() + '\n')) {
        counted.error = u"the export cannot be written: %1"_s.arg(out.errorString());
        return counted;
    }
    while (query.next()) {
        QByteArray line;
        if (choice.jsonLines) {
            QJsonObject row;
            for (int c = 0; c < int(kColumns.size()); ++c) {
                const QVariant value = query.value(c);
                row.insert(kColumns[c], value.isNull() ? QJsonValue() : QJsonValue::fromVariant(value));
            }
            line = QJsonDocument(row).toJson(QJsonDocument::Compact);
        } else {
            QStringList fields;
            for (int c = 0; c < int(kColumns.size()); ++c)
                fields << csvField(query.value(c));
            line = fields.join(u',').toUtf8();
        }
        if (!put(line + '\n')) {
            counted.error = u"the export cannot be written: %1"_s.arg(out.errorString());
            return counted;
        }
        ++counted.count;
    }
    return counted;
}

} // namespace kazeyomi
