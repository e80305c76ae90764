// Writes a day's meeting list "zen.txt" and race card files as the companion program
// prepares them (CP932, comma-separated, quoted texts), for the demo day and the tests.
#pragma once

#include <vector>

#include <QString>

#include "foundation/outcome.h"

namespace kazeyomi {

struct CardRace {
    QString postTime; // "hh:mm"
    QString name;
    QString pageId;
};

struct CardMeeting {
    QString prefix; // race card files are prefix + two-digit race + ".txt"
    QString venue;  // two characters
    std::vector<CardRace> races;
};

// The race card's first line: title, date, distance, race name, race page URL, grade.
QString raceCardText(const QString& venue, const CardRace& race, const QString& siteUrl);

// Returns an empty text, or the file that could not be written.
Outcome writeDayCards(const QString& cardFolder, const std::vector<CardMeeting>& meetings, const QString& siteUrl);

} // namespace kazeyomi
