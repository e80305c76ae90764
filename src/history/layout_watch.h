// Tells when a page no longer reads as the line scrapers expect: each odds file's new line is
// compared with what the page shows, read by its structure, leaving out what the files lose
// on purpose. Said once per bet type and day.
#pragma once

#include <map>
#include <optional>
#include <set>
#include <utility>

#include <QString>
#include <QStringList>

#include "history/odds_lines.h"
#include "structure/page_reading.h"

namespace kazeyomi {

struct LayoutMismatch {
    QString combination; // as the page reading names it: "03-07"
    QString page;        // what the page shows, "nothing" when it shows none
    QString file;        // what the file got, "nothing" when it carries none
};

// The first field, in the file's order, where `line` of a file with `extension` and the
// page's reading of its bet type disagree; then the first combination the file should carry
// and does not.
std::optional<LayoutMismatch> firstMismatch(const QString& extension, const OddsLine& line, const BetReading& page,
                                            const BetReading* win = nullptr);

// "the site's 馬単 page no longer reads as expected: 大井 11R, pair 03-07, the page shows 45.2,
// the file would get 12.1"
QString layoutAlarm(BetType type, const QString& venue, int race, const LayoutMismatch& mismatch);

class LayoutWatch {
public:
    // The alarms of one race's cycle: the new lines of its files (by extension) against the
    // readings of its pages; a bet type already told of today is not told again. An extension
    // in `unwritten` got no line although its page came (its scraper did not read the page).
    QStringList check(const QString& day, const QString& venue, int race, const std::map<QString, OddsLine>& lines,
                      const std::map<BetType, BetReading>& pages, const QStringList& unwritten = {});

    // The alarms of a page on which the scraper found nothing, ending the race's cycle, while
    // the page shows odds.
    QStringList checkUnread(const QString& day, const QString& venue, int race,
                            const std::map<BetType, BetReading>& pages);

private:
    std::set<std::pair<QString, BetType>> m_told;
};

} // namespace kazeyomi
