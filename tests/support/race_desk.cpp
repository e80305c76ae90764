#include "support/race_desk.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>

#include "fetch/http_page_source.h"
#include "foundation/grid_layouts.h"
#include "schedule/schedule_grid.h"

namespace kazeyomi::test {

WinPlacePage oddsField(const QString& time, int runners)
{
    WinPlacePage page;
    page.raceCode = kCode;
    page.time = time;
    page.runners = sampleRunners(runners);
    return page;
}

void RaceGet::SetUp()
{
    RaceFixture::SetUp();
    form.grid(Grid::VSFlexGrid8).setTextMatrix(kRow, ScheduleColumn::PageId, kCode);
}

void RaceGet::serveFake(const QString& time, const QByteArray& result)
{
    for (const auto& [path, body] : racePages(oddsField(time)))
        site.setPage(kSite + path, body, kOddsPageContentType);
    site.setPage(resultUrl(), result, kOddsPageContentType);
}

std::map<QString, QByteArray> RaceGet::files() const
{
    std::map<QString, QByteArray> bytes;
    for (const QString& name : kFiles)
        bytes[name] = readBytes(oddsFile(name));
    return bytes;
}

void RaceGet::completeCycle()
{
    serveFake(u"14:25"_s, resultPage(resultAfterRace(u"大井"_s, 1, 8)));
    const RaceOutcome first = races.Race_get(u"大井"_s, 1, kRow);
    ASSERT_TRUE(first.ok()) << first.failures.join(u"; "_s).toStdString();
    ASSERT_EQ(first.written.size(), 11);
    ASSERT_TRUE(readBytes(oddsFile(u"大井01.sei"_s)).contains(toCp932(u"円"_s)));
}

void servePage(SiteServer& server, const QString& path, const QByteArray& body, int delayMs)
{
    SiteResponse response;
    response.body = body;
    response.contentType = kOddsPageContentType;
    response.delayBeforeMs = delayMs;
    server.setPage(path, response);
}

void serveRace(SiteServer& server, const WinPlacePage& odds, int delayMs)
{
    for (const auto& [path, body] : racePages(odds))
        servePage(server, path, body, delayMs);
}

bool settled(const SiteServer& server, qsizetype from)
{
    const auto open = [&] {
        for (const SiteServer::Request& request : server.requests().mid(from))
            if (!request.answered && !request.abandoned)
                return true;
        return false;
    };
    // Only against a hang: every request ends one way or the other long before.
    const QDeadlineTimer hang(30'000);
    while (open() && !hang.hasExpired())
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    return !open();
}

std::vector<ScraperStep> oneAfterAnother()
{
    std::vector<ScraperStep> steps(raceScrapers().begin(), raceScrapers().end());
    for (ScraperStep& step : steps)
        step.pages = nullptr;
    return steps;
}

RaceDesk::RaceDesk(const Clock& clock, const QString& site, const std::vector<RaceCard>& cards,
                   std::span<const ScraperStep> steps, int timeoutMs)
    : folders(base.path(), clock), http(std::make_unique<HttpPageSource>(timeoutMs)),
      pages(form, http, app.path(), MarkupStyle::Modern), ctx{form, clock, folders, pages, app.path(), site},
      races(ctx, steps), poll(form, clock, races)
{
    EXPECT_EQ(folders.createAll(), QStringList());
    fillScheduleGrid(form.grid(Grid::VSFlexGrid8), cards);
    QStringList venues;
    for (const RaceCard& card : cards)
        if (!venues.contains(card.venue)) {
            form.setVenueBox(int(venues.size()), {true, card.venue, true});
            venues << card.venue;
        }
}

std::map<QString, QByteArray> RaceDesk::files() const
{
    std::map<QString, QByteArray> all;
    for (const QString& dir : {folders.oddsFolder(), app.path()})
        for (const QString& name : QDir(dir).entryList(QDir::Files))
            if (name != u"tmp.txt"_s && name != u"tmp2.txt"_s && name != u"a.html"_s)
                all[name] = readBytes(QDir(dir).filePath(name));
    return all;
}

} // namespace kazeyomi::test
