// A made-up race day for the demo and the end-to-end tests: two meetings whose pages
// a local site server generates from the clock, so the odds drift between fetches, the
// odds turn final at the post time and each result appears a few minutes after it.
#pragma once

#include <array>
#include <optional>
#include <vector>

#include <QDateTime>
#include <QList>
#include <QPair>
#include <QString>

#include "demo/day_cards.h"
#include "demo/odds_pages.h"
#include "demo/site_server.h"

namespace kazeyomi {

class Clock;

struct DemoRace {
    QString venue;
    int race = 0;
    QString pageId;
    QString name;
    QDateTime post;
    int runners = 0;
    bool cancelled = false;
    QList<int> scratched; // horse numbers
    quint32 seed = 0;
};

class DemoDay {
public:
    static constexpr int kResultDelayMinutes = 3;

    // 大井 with 12 races and 川崎 with 11, the first posts a few minutes after `start`.
    DemoDay(const Clock& clock, const QDateTime& start);
    // A day of the given meetings (venue, number of races), for the tests.
    DemoDay(const Clock& clock, const QDateTime& firstPost, const std::vector<std::pair<QString, int>>& meetings,
            int minutesBetweenRaces);

    const std::vector<DemoRace>& races() const { return m_races; }
    std::vector<CardMeeting> cardMeetings() const;

    // The site's answer for a request target, or nothing for a page it does not have.
    std::optional<SiteResponse> respond(const QString& pathAndQuery) const;
    QByteArray oddsPage(const DemoRace& race, const QDateTime& now) const;
    // What the win/place page shows at `now`; the pair and triple odds pages are drawn from
    // it, so they drift with it and show the same horses out.
    WinPlacePage winPlace(const DemoRace& race, const QDateTime& now) const;
    // Pairs whose odds the site does not show yet at `now`.
    QList<QPair<int, int>> pairsNotShown(const DemoRace& race, const QDateTime& now) const;
    // Triples (trio in any order, trifecta in this one) whose odds are not shown yet at `now`.
    QList<std::array<int, 3>> triplesNotShown(const DemoRace& race, const QDateTime& now) const;
    QByteArray resultPage(const DemoRace& race, const QDateTime& now) const;

    const DemoRace* findByPageId(const QString& id) const;

private:
    void addMeeting(const QString& venue, const QString& venueCode, int races, const QDateTime& firstPost,
                    int minutesBetween);

    const Clock& m_clock;
    std::vector<DemoRace> m_races;
};

} // namespace kazeyomi
