// What an odds or result page shows, read from its tables by their structure (header cells,
// rows, the horse numbers in them) rather than by line counts: every combination with its
// odds as shown, for the history database and to check the line scrapers against.
#pragma once

#include <QList>
#include <QString>

namespace kazeyomi {

struct PageTables;

enum class BetType { Win, Place, Quinella, Exacta, Wide, Trio, Trifecta };

// "win", "place", ... as stored and exported.
QString betTypeKey(BetType type);
// The name the site gives the bet type: "単勝", "馬単", ...
QString betTypeTitle(BetType type);
// From the key; false when there is no such bet type.
bool betTypeFromKey(const QString& key, BetType& type);

struct ShownOdds {
    enum class Mark {
        None,
        Out,       // a horse of it is out: "出走取消", "競走除外" or "－"
        NotOnSale, // the cell shows nothing yet
    };
    QString combination; // horse numbers in two digits joined by "-": "03", "03-07", "01-02-03"
    QString shown;       // the cell's text as the page shows it: "12.3", "1.2-1.5", "1,234.5", "－"
    QString low;         // the odds, or the lower bound of a range, without separators: "1234.5"
    QString high;        // the upper bound of a range
    Mark mark = Mark::None;
    QString classes; // the classes in the cell, which is how the site colours odds
};

struct BetReading {
    BetType type = BetType::Win;
    QList<ShownOdds> odds; // in the order of the page
    const ShownOdds* find(const QString& combination) const;
};

struct Finish {
    QString position, frame, horse, name, sexAge, weight, bodyWeight, change, jockey, trainer, time, margin, last3f,
        popularity;
};

struct PayoutShown {
    QString betType; // the page's name: "単勝", "複勝", "ワイド", ...
    QString combination;
    QString yen; // as shown: "1,480", "-"
    QString popularity;
};

struct PageReading {
    QString oddsTime; // "hh:mm" of current odds
    bool finalOdds = false;
    bool cancelled = false;
    QList<BetReading> bets;
    QList<Finish> finishers;
    QList<PayoutShown> payouts;
    QString refund;

    const BetReading* bet(BetType type) const;
};

// One reader per page of a race; each reads only what its page shows.
PageReading readWinPlacePage(const PageTables& page);
PageReading readExactaPage(const PageTables& page);
PageReading readQuinellaWidePage(const PageTables& page);
PageReading readTrioPage(const PageTables& page);
PageReading readTrifectaPage(const PageTables& page);
PageReading readResultPage(const PageTables& page);

// Two-digit horse numbers joined by "-".
QString combinationKey(std::initializer_list<int> horses);

} // namespace kazeyomi
