// A past day's odds history files, as this program writes them, read into the day's history
// database, so that days from before the database can be queried like any other.
#pragma once

#include <QDate>
#include <QList>
#include <QString>

#include "foundation/outcome.h"
#include "history/history_database.h"

namespace kazeyomi {

// The fetches of one race in its history files: one fetch per line of the win odds file,
// the other files' lines matched to it by their time stamp.
QList<FetchRecord> readRaceFiles(const QString& oddsFolder, const QString& raceKey, const QDate& day);

// Every race of the folder into `database`; the count is the fetches written.
Counted importOddsFolder(const QString& oddsFolder, HistoryDatabase& database);

} // namespace kazeyomi
