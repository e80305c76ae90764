// Writes a day's meeting list and race card files for a test, as the companion program would.
#pragma once

#include <vector>

#include <QString>

namespace kazeyomi::test {

struct MeetingCards {
    QString prefix; // file prefix, e.g. "oi"
    QString venue;  // two characters
    int races = 0;
    QString firstPost = QStringLiteral("10:30"); // post of race 1; 30 minutes apart
    QString idBase;                              // page ids are idBase + two-digit race
};

// Race card file text (six fields and a runner line) for one race.
QString raceCardText(const QString& venue, const QString& postTime, const QString& raceName, const QString& url);

// Writes zen.txt and every race card file into `cardFolder`.
void writeCardFolder(const QString& cardFolder, const std::vector<MeetingCards>& meetings);

} // namespace kazeyomi::test
