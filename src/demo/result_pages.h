// Result pages as the Southern Kanto site serves them, for the stand-in site of the tests
// and the demo day: the finishing table and the two payout tables, one tag per line.
#pragma once

#include <array>

#include <QByteArray>
#include <QList>
#include <QString>

namespace kazeyomi {

// One row of the finishing table, texts as the page shows them.
struct Finisher {
    QString position; // "1", "2", ...; a scratched horse shows "取消"
    QString frame;
    QString number;
    QString name;
    QString sexAge;
    QString weight; // weight carried
    QString bodyWeight;
    QString change; // body weight change, "+2", "-4", "0"
    QString jockey;
    QString trainer;
    QString time;
    QString margin; // empty for the winner; a scratched horse shows "出走取消"
    QString last3f;
    QString corners;
    QString popularity;
};

// One payout: combination, amount in yen without the unit, popularity. All empty: no payout.
struct Payout {
    QString combination;
    QString yen;
    QString popularity;
};

struct ResultPage {
    QString venue;
    int race = 0;
    QString raceName;
    QList<Finisher> finishers; // in the order of the page; empty before the race
    bool payouts = false;      // the payout tables are shown once the result is official
    Payout win;
    std::array<Payout, 3> place;
    Payout bracketQuinella;
    Payout bracketExacta;
    Payout quinella;
    Payout exacta;
    std::array<Payout, 3> wide;
    Payout trio;
    Payout trifecta;
    QString refund; // not empty: a "返還" line naming the refunded horses heads the second table
};

// The page's address on the site: "/result/" + race page id + ".do".
QString resultPagePath(const QString& raceCode);

// A whole HTML document in UTF-8.
QByteArray resultPage(const ResultPage& page);

// A page before the race: the finishing table has its header and no rows, no payouts.
ResultPage resultBeforeRace(const QString& venue, int race);
// A complete result: every one of `runners` (3 to 16) finishes, in an order that differs from
// the horse numbers, with payouts of every bet type; some names carry ASCII letters, and with
// 4 runners or fewer the first place payout is "-".
ResultPage resultAfterRace(const QString& venue, int race, int runners);
// The same with the last horse scratched: listed last, "取消" and "出走取消", and a refund line.
ResultPage resultWithScratch(const QString& venue, int race, int runners);

} // namespace kazeyomi
