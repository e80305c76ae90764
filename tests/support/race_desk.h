// One race's fetch, shared by the race fetch tests: the race on a fake site (RaceGet), and a
// desk of its own (folders, controls, a fetcher over HTTP as the program has) against the local
// site server, for tests that compare one way of fetching with another.
#pragma once

#include <map>
#include <span>

#include <QStringList>
#include <QTemporaryDir>

#include "demo/odds_pages.h"
#include "demo/result_pages.h"
#include "demo/site_server.h"
#include "fetch/joining_page_source.h"
#include "foundation/card_files.h"
#include "foundation/text_codec.h"
#include "schedule/poll_cycle.h"
#include "schedule/race_fetch.h"
#include "support/files.h"
#include "support/race_fixture.h"
#include "support/race_pages.h"

namespace kazeyomi::test {

using namespace Qt::StringLiterals;

constexpr int kRow = 1;
inline const QString kCode = u"20251205200101"_s;

inline const QStringList kFiles = {u"大井01.sei"_s,   u"大井01.jyun"_s,  u"大井01.tanA"_s, u"大井01.Fuk1"_s,
                                   u"大井01.Fuk2"_s,  u"大井01.uren"_s,  u"大井01.utan"_s, u"大井01.wideL"_s,
                                   u"大井01.wideH"_s, u"大井01.3fuku"_s, u"大井01.3tan"_s};

// The odds of race 1 at 大井, eight runners, as of `time`.
WinPlacePage oddsField(const QString& time, int runners = 8);
inline QByteArray oddsPage(const QString& time)
{
    return winPlacePage(oddsField(time));
}

class RaceGet : public RaceFixture {
protected:
    RaceCycle races{context};

    void SetUp() override;
    QString oddsUrl(const QString& page = u"01.do"_s) const { return kSite + u"/odds/"_s + kCode + page; }
    QString resultUrl() const { return kSite + resultPagePath(kCode); }
    // Every page of the race, the odds as of `time`.
    void serveFake(const QString& time, const QByteArray& result);
    std::map<QString, QByteArray> files() const;
    // A first cycle after the race: every file holds the complete result and one odds line.
    void completeCycle();
};

// Serves every page of the race, each after `delayMs`.
void serveRace(SiteServer& server, const WinPlacePage& odds, int delayMs = 0);
void servePage(SiteServer& server, const QString& path, const QByteArray& body, int delayMs = 0);
// Runs events until the server has answered or seen abandoned every request it logged from `from` on.
[[nodiscard]] bool settled(const SiteServer& server, qsizetype from);

// The scrapers of the cycle without the pages they ask for ahead: one page after another. The
// cycle keeps a view of its steps: keep them for as long as it lives.
std::vector<ScraperStep> oneAfterAnother();

// One program's worth of state, with its own folders and its own connections to the site.
struct RaceDesk {
    QTemporaryDir base;
    QTemporaryDir app;
    FormState form;
    DayFolders folders;
    JoiningPageSource http; // as the program asks: the page two scrapers share is one request
    PageFetcher pages;
    Context ctx;
    RaceCycle races;
    PollCycle poll;

    RaceDesk(const Clock& clock, const QString& site, const std::vector<RaceCard>& cards,
             std::span<const ScraperStep> steps = raceScrapers(), int timeoutMs = 5000);
    // Every file the races leave, odds files and page copies, by name.
    std::map<QString, QByteArray> files() const;
};

} // namespace kazeyomi::test
