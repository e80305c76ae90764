// The day's history in SQLite beside the odds files: every fetch of every race with every
// combination its pages showed, the results and payouts, and the sharp odds moves.
#pragma once

#include <QDateTime>
#include <QList>
#include <QSqlDatabase>
#include <QString>
#include <QStringList>

#include "foundation/outcome.h"
#include "structure/page_reading.h"

namespace kazeyomi {

// The database's name in the day's odds folder.
inline const QString kHistoryFileName = QStringLiteral("kazeyomi.sqlite");

// One fetch of a race as stored.
struct FetchRecord {
    QString venue;
    int race = 0;
    QString pageId;
    QDateTime fetchedAt;
    QString oddsTime; // "hh:mm" as the page gives it; empty for final odds
    bool finalOdds = false;
    QStringList pages; // the pages that came
    QString source = QStringLiteral("live");
    QList<BetReading> bets;
    QList<Finish> finishers;
    QList<PayoutShown> payouts;
};

// A sharp fall of a horse's win odds between two fetches of a race.
struct OddsMove {
    QString venue;
    int race = 0;
    QString horse; // "03"
    double from = 0;
    double to = 0;
    double fallPercent = 0;
    int seconds = 0; // between the two fetches
};

class HistoryDatabase {
public:
    // Opens (creating if need be) the database at `path`, in WAL mode; `error()` says why not.
    explicit HistoryDatabase(const QString& path, bool readOnly = false);
    ~HistoryDatabase();
    HistoryDatabase(const HistoryDatabase&) = delete;
    HistoryDatabase& operator=(const HistoryDatabase&) = delete;

    bool ok() const { return m_error.isEmpty(); }
    const QString& error() const { return m_error; }
    const QString& path() const { return m_path; }
    QSqlDatabase database() const;

    // The fetch in one transaction: all of it or, on any failure, none.
    [[nodiscard]] Outcome write(const FetchRecord& fetch);
    // Falls of `fallPercent` or more of a horse's win odds between this fetch and an earlier
    // one of the same race at most `withinSeconds` before; each fall is stored and given once.
    [[nodiscard]] Outcome findMoves(const FetchRecord& fetch, double fallPercent, int withinSeconds,
                                    QList<OddsMove>& moves);

private:
    Outcome fail(const QString& what, const QString& why);
    qint64 raceId(const FetchRecord& fetch, QString& error);

    QString m_path;
    QString m_connection;
    QString m_error;
};

// The stored odds of a fetch's combination as text: "12.3", "2.1-3.4", "***" (out), "" (none).
QString storedOdds(const ShownOdds& odds);

} // namespace kazeyomi
