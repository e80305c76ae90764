// The regional portal's race card page (出馬表) for the local site: a title row and one
// block of table rows per runner, laid out line by line as the portal sends it.
#pragma once

#include <vector>

#include <QByteArray>
#include <QString>

namespace kazeyomi {

inline constexpr char kRaceCardContentType[] = "text/html; charset=Shift_JIS";

struct CardRunner {
    QString name;
    QString owner;
    QString breeder;
    QString trainer;
    QString weight; // weight carried, "56.0"
    QString jockey;
    QString record;     // "3-2-1-10"
    QString bodyWeight; // "452(+2)"; empty for a horse not weighed yet
};

struct RaceCardPage {
    int race = 0;
    QString raceName;
    QString course; // "ダート1400m"
    std::vector<CardRunner> runners;
};

// Shift_JIS bytes of the page.
QByteArray raceCardPage(const RaceCardPage& page);

// A made-up card of `runners` runners (any number up to 18): ASCII letters in some names,
// blank cells, owners with ideographic spaces. The same arguments give the same card.
RaceCardPage demoRaceCard(int race, const QString& raceName, int runners);

} // namespace kazeyomi
