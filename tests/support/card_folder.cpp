#include "support/card_folder.h"

#include <stdexcept>

#include <QTime>

#include "demo/day_cards.h"

namespace kazeyomi::test {

using namespace Qt::StringLiterals;

QString raceCardText(const QString& venue, const QString& postTime, const QString& raceName, const QString& url)
{
    return u"\"第５回　%1　第３日　%2\",\"ダート\",1200,\"%3\",\"%4\",\"\"\r\n"_s.arg(venue, postTime, raceName, url);
}

void writeCardFolder(const QString& cardFolder, const std::vector<MeetingCards>& meetings)
{
    std::vector<CardMeeting> cards;
    for (const auto& m : meetings) {
        CardMeeting meeting{m.prefix, m.venue, {}};
        const QTime first = QTime::fromString(m.firstPost, u"hh:mm"_s);
        for (int race = 1; race <= m.races; ++race)
            meeting.races.push_back({first.addSecs(30 * 60 * (race - 1)).toString(u"hh:mm"_s), u"第%1競走"_s.arg(race),
                                     m.idBase + QString::number(race).rightJustified(2, u'0')});
        cards.push_back(meeting);
    }
    const Outcome written = writeDayCards(cardFolder, cards, u"https://site.example"_s);
    if (!written.ok())
        throw std::runtime_error(written.error.toStdString());
}

} // namespace kazeyomi::test
