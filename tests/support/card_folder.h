// Writes a day's meeting list and race card files for a test, as the companion program would.
#pragma once

#include <stdexcept>
#include <vector>

#include <QString>
#include <QTime>

#include "demo/day_cards.h"

namespace kazeyomi::test {

struct MeetingCards {
    QString prefix; // file prefix, e.g. "oi"
    QString venue;  // two characters
    int races = 0;
    QString firstPost = QStringLiteral("10:30"); // post of race 1; 30 minutes apart
    QString idBase;                              // page ids are idBase + two-digit race
};

// Race card file text (six fields and a runner line) for one race.
inline QString raceCardText(const QString& venue, const QString& postTime, const QString& raceName, const QString& url)
{
    return QStringLiteral("\"第５回　%1　第３日　%2\",\"ダート\",1200,\"%3\",\"%4\",\"\"\r\n")
        .arg(venue, postTime, raceName, url);
}

// Writes zen.txt and every race card file into `cardFolder`.
inline void writeCardFolder(const QString& cardFolder, const std::vector<MeetingCards>& meetings)
{
    std::vector<CardMeeting> cards;
    for (const auto& m : meetings) {
        CardMeeting meeting{m.prefix, m.venue, {}};
        const QTime first = QTime::fromString(m.firstPost, QStringLiteral("hh:mm"));
        for (int race = 1; race <= m.races; ++race)
            meeting.races.push_back({first.addSecs(30 * 60 * (race - 1)).toString(QStringLiteral("hh:mm")),
                                     QStringLiteral("第%1競走").arg(race),
                                     m.idBase + QString::number(race).rightJustified(2, u'0')});
        cards.push_back(meeting);
    }
    const Outcome written = writeDayCards(cardFolder, cards, QStringLiteral("https://site.example"));
    if (!written.ok())
        throw std::runtime_error(written.error.toStdString());
}

} // namespace kazeyomi::test
