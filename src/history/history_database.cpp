#include "history/history_database.h"

#include <map>

#include <QSqlError>
#include <QSqlQuery>
#include <QVariant>

namespace kazeyomi {

using namespace Qt::StringLiterals;

namespace {

// The schema, one statement an entry; docs/history-schema.md describes it for the readers.
const char* const kSchema[] = {
    "CREATE TABLE IF NOT EXISTS races (race_id INTEGER PRIMARY KEY, venue TEXT NOT NULL, race INTEGER NOT NULL, "
    "page_id TEXT NOT NULL DEFAULT '', UNIQUE (venue, race))",
    "CREATE TABLE IF NOT EXISTS fetches (fetch_id INTEGER PRIMARY KEY, race_id INTEGER NOT NULL REFERENCES races, "
    "fetched_at TEXT NOT NULL, odds_time TEXT NOT NULL, final_odds INTEGER NOT NULL, pages TEXT NOT NULL, "
    "source TEXT NOT NULL)",
    "CREATE INDEX IF NOT EXISTS fetches_by_race ON fetches (race_id, fetched_at)",
    "CREATE TABLE IF NOT EXISTS odds (fetch_id INTEGER NOT NULL REFERENCES fetches, bet_type TEXT NOT NULL, "
    "combination TEXT NOT NULL, shown TEXT NOT NULL, odds REAL, low REAL, high REAL, mark TEXT NOT NULL, "
    "highlight TEXT NOT NULL, PRIMARY KEY (fetch_id, bet_type, combination)) WITHOUT ROWID",
    "CREATE TABLE IF NOT EXISTS results (fetch_id INTEGER NOT NULL REFERENCES fetches, row INTEGER NOT NULL, "
    "position TEXT, frame TEXT, horse TEXT, name TEXT, sex_age TEXT, weight TEXT, body_weight TEXT, "
    "weight_change TEXT, jockey TEXT, trainer TEXT, time TEXT, margin TEXT, last3f TEXT, popularity TEXT, "
    "PRIMARY KEY (fetch_id, row)) WITHOUT ROWID",
    "CREATE TABLE IF NOT EXISTS payouts (fetch_id INTEGER NOT NULL REFERENCES fetches, row INTEGER NOT NULL, "
    "bet_type TEXT NOT NULL, combination TEXT NOT NULL, yen INTEGER, shown TEXT NOT NULL, popularity TEXT NOT NULL, "
    "PRIMARY KEY (fetch_id, row)) WITHOUT ROWID",
    "CREATE TABLE IF NOT EXISTS moves (move_id INTEGER PRIMARY KEY, race_id INTEGER NOT NULL REFERENCES races, "
    "bet_type TEXT NOT NULL, combination TEXT NOT NULL, from_fetch INTEGER NOT NULL REFERENCES fetches, "
    "to_fetch INTEGER NOT NULL REFERENCES fetches, from_odds REAL NOT NULL, to_odds REAL NOT NULL, "
    "fall_percent REAL NOT NULL, seconds INTEGER NOT NULL)",
};

const char* const kTimeFormat = "yyyy-MM-ddTHH:mm:ss";

QVariant number(const QString& text)
{
    bool ok = false;
    const double value = text.toDouble(&ok);
    return ok ? QVariant(value) : QVariant(QMetaType(QMetaType::Double));
}

QString markKey(ShownOdds::Mark mark)
{
    switch (mark) {
    case ShownOdds::Mark::Out:
        return u"out"_s;
    case ShownOdds::Mark::NotOnSale:
        return u"not_on_sale"_s;
    case ShownOdds::Mark::None:
        break;
    }
    return {};
}

// Text columns are NOT NULL: an empty text is stored as such, never as NULL.
QVariant text(const QString& value)
{
    return QVariant(value.isNull() ? u""_s : value);
}

bool isRange(BetType type)
{
    return type == BetType::Place || type == BetType::Wide;
}

QVariant yen(const QString& shown)
{
    bool ok = false;
    const qlonglong value = QString(shown).remove(u',').toLongLong(&ok);
    return ok ? QVariant(value) : QVariant(QMetaType(QMetaType::LongLong));
}

} // namespace

QString storedOdds(const ShownOdds& odds)
{
    if (odds.mark == ShownOdds::Mark::Out)
        return u"***"_s;
    if (odds.high.isEmpty())
        return odds.low;
    return odds.low + u'-' + odds.high;
}

HistoryDatabase::HistoryDatabase(const QString& path, bool readOnly)
    : m_path(path), m_connection(u"kazeyomi-history-%1"_s.arg(quintptr(this), 0, 16))
{
    QSqlDatabase db = QSqlDatabase::addDatabase(u"QSQLITE"_s, m_connection);
    if (!db.isValid()) {
        m_error = u"%1: the SQLite driver of Qt is missing (libqt6sql6-sqlite)"_s.arg(path);
        return;
    }
    db.setDatabaseName(path);
    // A reader holding the database open never blocks a cycle in WAL mode; a second writer,
    // if ever there is one, is waited for a while rather than failing at once.
    db.setConnectOptions(readOnly ? u"QSQLITE_OPEN_READONLY;QSQLITE_BUSY_TIMEOUT=5000"_s
                                  : u"QSQLITE_BUSY_TIMEOUT=5000"_s);
    if (!db.open()) {
        (void)fail(u"cannot be opened"_s, db.lastError().text());
        return;
    }
    QSqlQuery query(db);
    // The first statement reads the file: a file that is no database fails here.
    if (!query.exec(u"PRAGMA schema_version"_s) || !query.next()) {
        (void)fail(u"cannot be read"_s, query.lastError().text());
        return;
    }
    if (readOnly)
        return;
    if (!query.exec(u"PRAGMA journal_mode=WAL"_s) || !query.next() ||
        query.value(0).toString().compare(u"wal"_s, Qt::CaseInsensitive) != 0) {
        (void)fail(u"cannot be put in WAL mode"_s, query.lastError().text());
        return;
    }
    // In WAL mode a killed program loses nothing committed; only a power cut may lose the last cycle.
    (void)query.exec(u"PRAGMA synchronous=NORMAL"_s);
    // A cycle appends its rows and reads back only the race's fetch before: SQLite's default
    // cache of 2 MB would hold mostly pages never read again, all day. Refused, it costs only
    // that memory.
    (void)query.exec(u"PRAGMA cache_size=-512"_s);
    for (const char* statement : kSchema)
        if (!query.exec(QString::fromLatin1(statement))) {
            (void)fail(u"cannot be set up"_s, query.lastError().text());
            return;
        }
}

HistoryDatabase::~HistoryDatabase()
{
    {
        QSqlDatabase db = QSqlDatabase::database(m_connection, false);
        if (db.isOpen())
            db.close();
    }
    QSqlDatabase::removeDatabase(m_connection);
}

QSqlDatabase HistoryDatabase::database() const
{
    return QSqlDatabase::database(m_connection, false);
}

Outcome HistoryDatabase::fail(const QString& what, const QString& why)
{
    m_error = u"the history database %1 %2: %3"_s.arg(m_path, what, why);
    return {m_error};
}

qint64 HistoryDatabase::raceId(const FetchRecord& fetch, QString& error)
{
    QSqlQuery query(database());
    query.prepare(u"INSERT INTO races (venue, race, page_id) VALUES (?, ?, ?) "
                  "ON CONFLICT (venue, race) DO UPDATE SET page_id = "
                  "CASE excluded.page_id WHEN '' THEN page_id ELSE excluded.page_id END"_s);
    query.addBindValue(text(fetch.venue));
    query.addBindValue(fetch.race);
    query.addBindValue(text(fetch.pageId));
    if (!query.exec()) {
        error = query.lastError().text();
        return -1;
    }
    query.prepare(u"SELECT race_id FROM races WHERE venue = ? AND race = ?"_s);
    query.addBindValue(fetch.venue);
    query.addBindValue(fetch.race);
    if (!query.exec() || !query.next()) {
        error = query.lastError().text();
        return -1;
    }
    return query.value(0).toLongLong();
}

Outcome HistoryDatabase::write(const FetchRecord& fetch)
{
    if (!ok())
        return {m_error};
    QSqlDatabase db = database();
    if (!db.transaction())
        return {u"the history database %1 cannot be written: %2"_s.arg(m_path, db.lastError().text())};
    QString error;
    const auto written = [&]() -> bool {
        const qint64 race = raceId(fetch, error);
        if (race < 0)
            return false;
        QSqlQuery query(db);
        query.prepare(u"INSERT INTO fetches (race_id, fetched_at, odds_time, final_odds, pages, source) "
                      "VALUES (?, ?, ?, ?, ?, ?)"_s);
        for (const QVariant& v :
             {QVariant(race), QVariant(fetch.fetchedAt.toString(QLatin1String(kTimeFormat))), text(fetch.oddsTime),
              QVariant(fetch.finalOdds ? 1 : 0), text(fetch.pages.join(u',')), text(fetch.source)})
            query.addBindValue(v);
        if (!query.exec()) {
            error = query.lastError().text();
            return false;
        }
        const qint64 fetchId = query.lastInsertId().toLongLong();

        // Bound by name: Qt makes a name for every value bound by position, which cost more than
        // SQLite's own work on the thousands of rows of a race.
        static const QString kFetch = u":f"_s, kType = u":t"_s, kCombination = u":c"_s, kShown = u":s"_s,
                             kOdds = u":o"_s, kLow = u":l"_s, kHigh = u":h"_s, kMark = u":m"_s, kHighlight = u":g"_s;
        QSqlQuery odds(db);
        odds.prepare(u"INSERT OR REPLACE INTO odds (fetch_id, bet_type, combination, shown, odds, low, high, mark, "
                     "highlight) VALUES (:f, :t, :c, :s, :o, :l, :h, :m, :g)"_s);
        const QVariant noNumber{QMetaType(QMetaType::Double)};
        for (const BetReading& bet : fetch.bets) {
            const QString type = betTypeKey(bet.type);
            const bool range = isRange(bet.type);
            for (const ShownOdds& o : bet.odds) {
                odds.bindValue(kFetch, fetchId);
                odds.bindValue(kType, type);
                odds.bindValue(kCombination, o.combination);
                odds.bindValue(kShown, text(o.shown));
                odds.bindValue(kOdds, range ? noNumber : number(o.low));
                odds.bindValue(kLow, range ? number(o.low) : noNumber);
                odds.bindValue(kHigh, range ? number(o.high) : noNumber);
                odds.bindValue(kMark, text(markKey(o.mark)));
                odds.bindValue(kHighlight, text(o.classes));
                if (!odds.exec()) {
                    error = odds.lastError().text();
                    return false;
                }
            }
        }

        QSqlQuery results(db);
        results.prepare(u"INSERT INTO results VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)"_s);
        for (qsizetype row = 0; row < fetch.finishers.size(); ++row) {
            const Finish& f = fetch.finishers[row];
            int i = 0;
            results.bindValue(i++, fetchId);
            results.bindValue(i++, int(row + 1));
            for (const QString* value :
                 {&f.position, &f.frame, &f.horse, &f.name, &f.sexAge, &f.weight, &f.bodyWeight, &f.change, &f.jockey,
                  &f.trainer, &f.time, &f.margin, &f.last3f, &f.popularity})
                results.bindValue(i++, text(*value));
            if (!results.exec()) {
                error = results.lastError().text();
                return false;
            }
        }
        QSqlQuery payouts(db);
        payouts.prepare(u"INSERT INTO payouts VALUES (?, ?, ?, ?, ?, ?, ?)"_s);
        for (qsizetype row = 0; row < fetch.payouts.size(); ++row) {
            const PayoutShown& p = fetch.payouts[row];
            for (const QVariant& v : {QVariant(fetchId), QVariant(int(row + 1)), text(p.betType), text(p.combination),
                                      yen(p.yen), text(p.yen), text(p.popularity)})
                payouts.addBindValue(v);
            if (!payouts.exec()) {
                error = payouts.lastError().text();
                return false;
            }
        }
        return true;
    }();
    if (!written || !db.commit()) {
        if (error.isEmpty())
            error = db.lastError().text();
        db.rollback();
        return {u"the history database %1 cannot be written: %2"_s.arg(m_path, error)};
    }
    return {};
}

Outcome HistoryDatabase::findMoves(const FetchRecord& fetch, double fallPercent, int withinSeconds,
                                   QList<OddsMove>& moves)
{
    if (!ok())
        return {m_error};
    QSqlDatabase db = database();
    QSqlQuery query(db);
    // The win odds of the race's fetches within the window, this one (the latest) included.
    query.prepare(u"SELECT f.fetch_id, f.fetched_at, o.combination, o.odds, f.race_id FROM fetches f "
                  "JOIN races r ON r.race_id = f.race_id JOIN odds o ON o.fetch_id = f.fetch_id "
                  "WHERE r.venue = ? AND r.race = ? AND o.bet_type = 'win' AND o.odds IS NOT NULL "
                  "AND f.fetched_at >= ? AND f.fetched_at <= ? ORDER BY f.fetch_id"_s);
    query.addBindValue(fetch.venue);
    query.addBindValue(fetch.race);
    query.addBindValue(fetch.fetchedAt.addSecs(-withinSeconds).toString(QLatin1String(kTimeFormat)));
    query.addBindValue(fetch.fetchedAt.toString(QLatin1String(kTimeFormat)));
    if (!query.exec())
        return {u"the history database %1 cannot be read: %2"_s.arg(m_path, query.lastError().text())};
    struct Seen {
        qint64 fetch;
        QDateTime at;
        double odds;
    };
    std::map<QString, QList<Seen>> byHorse;
    qint64 latest = -1, raceId = -1;
    while (query.next()) {
        const qint64 id = query.value(0).toLongLong();
        byHorse[query.value(2).toString()]
            << Seen{id, QDateTime::fromString(query.value(1).toString(), QLatin1String(kTimeFormat)),
                    query.value(3).toDouble()};
        latest = std::max(latest, id);
        raceId = query.value(4).toLongLong();
    }
    QSqlQuery told(db);
    told.prepare(u"SELECT COUNT(*) FROM moves m JOIN fetches f ON f.fetch_id = m.to_fetch WHERE m.race_id = ? "
                 "AND m.bet_type = 'win' AND m.combination = ? AND f.fetched_at >= ?"_s);
    QSqlQuery store(db);
    store.prepare(u"INSERT INTO moves (race_id, bet_type, combination, from_fetch, to_fetch, from_odds, to_odds, "
                  "fall_percent, seconds) VALUES (?, 'win', ?, ?, ?, ?, ?, ?, ?)"_s);
    for (const auto& [horse, seen] : byHorse) {
        if (seen.isEmpty() || seen.back().fetch != latest)
            continue;
        const Seen& now = seen.back();
        // The highest odds of the window against the latest: a fall spread over several
        // fetches counts as well as one from fetch to fetch.
        const Seen* high = nullptr;
        for (qsizetype i = 0; i + 1 < seen.size(); ++i)
            if (high == nullptr || seen[i].odds > high->odds)
                high = &seen[i];
        if (high == nullptr || high->odds <= 0)
            continue;
        const double fall = (high->odds - now.odds) * 100.0 / high->odds;
        if (fall < fallPercent)
            continue;
        // Told once: not again while a fall of this horse told within the window is in view.
        told.bindValue(0, raceId);
        told.bindValue(1, horse);
        told.bindValue(2, high->at.toString(QLatin1String(kTimeFormat)));
        if (!told.exec() || !told.next())
            return {u"the history database %1 cannot be read: %2"_s.arg(m_path, told.lastError().text())};
        if (told.value(0).toInt() > 0)
            continue;
        const OddsMove move{fetch.venue, fetch.race, horse, high->odds, now.odds, fall, int(high->at.secsTo(now.at))};
        int i = 0;
        for (const QVariant& v :
             {QVariant(raceId), QVariant(horse), QVariant(high->fetch), QVariant(now.fetch), QVariant(move.from),
              QVariant(move.to), QVariant(move.fallPercent), QVariant(move.seconds)})
            store.bindValue(i++, v);
        if (!store.exec())
            return {u"the history database %1 cannot be written: %2"_s.arg(m_path, store.lastError().text())};
        moves << move;
    }
    return {};
}

} // namespace kazeyomi
