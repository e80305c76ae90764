#include "history/race_history.h"

#include <QDir>

#include "foundation/clock.h"
#include "foundation/context.h"
#include "foundation/controls.h"
#include "foundation/day_folders.h"
#include "foundation/form_state.h"
#include "foundation/grid_layouts.h"
#include "foundation/schedule_columns.h"
#include "history/history_database.h"
#include "history/odds_lines.h"

namespace kazeyomi {

using namespace Qt::StringLiterals;

void tellHistory(FormState& form, const QString& line)
{
    form.log(line);
}

namespace {

void take(FetchRecord& fetch, const PageReading& reading, std::initializer_list<BetType> types)
{
    for (BetType type : types)
        if (const BetReading* bet = reading.bet(type))
            fetch.bets << *bet;
}

} // namespace

FetchRecord readRacePages(const std::vector<std::pair<QString, SharedPage>>& pages)
{
    FetchRecord fetch;
    for (const auto& [step, page] : pages) {
        fetch.pages << step;
        const PageTables& tables = page->tables;
        if (step == u"win/place odds"_s) {
            const PageReading reading = readWinPlacePage(tables);
            fetch.oddsTime = reading.oddsTime;
            fetch.finalOdds = reading.finalOdds;
            take(fetch, reading, {BetType::Win, BetType::Place});
        } else if (step == u"quinella odds"_s) {
            take(fetch, readQuinellaWidePage(tables), {BetType::Quinella});
        } else if (step == u"exacta odds"_s) {
            take(fetch, readExactaPage(tables), {BetType::Exacta});
        } else if (step == u"wide odds"_s) {
            take(fetch, readQuinellaWidePage(tables), {BetType::Wide});
        } else if (step == u"trio odds"_s) {
            take(fetch, readTrioPage(tables), {BetType::Trio});
        } else if (step == u"trifecta odds"_s) {
            take(fetch, readTrifectaPage(tables), {BetType::Trifecta});
        } else if (step == u"result"_s) {
            PageReading reading = readResultPage(tables);
            fetch.finishers = std::move(reading.finishers);
            fetch.payouts = std::move(reading.payouts);
        }
    }
    return fetch;
}

RaceHistory::RaceHistory(Context& ctx, HistoryOptions options) : m_ctx(ctx), m_options(options) {}

RaceHistory::~RaceHistory() = default;

void RaceHistory::raceFetched(const RaceOutcome& outcome, const std::vector<std::pair<QString, SharedPage>>& pages)
{
    if (!outcome.stopped.isEmpty()) {
        // Nothing was written: a page the scraper found nothing on while it shows odds has
        // changed its layout. The files and the database keep the last cycle.
        // A page under 1800 bytes is no data to the odds scrapers by rule (the half pages of an
        // overloaded site), whatever it shows.
        constexpr qsizetype kShortPage = 1800;
        if (pages.empty() || pages.back().second->bytes.size() < kShortPage)
            return;
        const FetchRecord last = readRacePages({pages.back()});
        std::map<BetType, BetReading> shown;
        for (const BetReading& bet : last.bets)
            shown[bet.type] = bet;
        for (const QString& alarm : m_watch.checkUnread(m_ctx.folders.dayKey(), outcome.venue, outcome.race, shown))
            tellHistory(m_ctx.form, alarm);
        return;
    }
    FetchRecord fetch = readRacePages(pages);
    fetch.venue = outcome.venue;
    fetch.race = outcome.race;
    fetch.fetchedAt = m_ctx.clock.now();
    fetch.pageId = m_ctx.form.grid(Grid::VSFlexGrid8).textMatrix(outcome.row, ScheduleColumn::PageId);
    watchLayout(outcome, fetch);
    record(fetch);
}

void RaceHistory::watchLayout(const RaceOutcome& outcome, const FetchRecord& fetch)
{
    std::map<BetType, BetReading> pages;
    for (const BetReading& bet : fetch.bets)
        pages[bet.type] = bet;
    const QDir odds(m_ctx.folders.oddsFolder());
    const QString key = outcome.venue + twoDigitRace(outcome.race);
    std::map<QString, OddsLine> lines;
    // A page that shows odds while its bet type got no line this cycle (its scraper found no
    // heading, or another field, on it) no longer reads as the scraper expects. A file that
    // could not be written is a failure of its own, not the page's.
    QStringList unwritten;
    for (const OddsFileKind& kind : oddsFileKinds()) {
        if (!pages.contains(kind.type))
            continue;
        const QString file = key + kind.extension;
        if (outcome.written.contains(kind.extension))
            lines[kind.extension] = parseOddsLine(kind.extension, lastLineOf(odds.filePath(file)));
        else if (!outcome.failures.join(u'\n').contains(file))
            unwritten << kind.extension;
    }
    for (const QString& alarm :
         m_watch.check(m_ctx.folders.dayKey(), outcome.venue, outcome.race, lines, pages, unwritten))
        tellHistory(m_ctx.form, alarm);
}

void RaceHistory::report(const QString& error)
{
    if (error == m_reported)
        return;
    m_reported = error;
    tellHistory(m_ctx.form, error + u"; the odds files are written all the same"_s);
}

void RaceHistory::record(const FetchRecord& fetch)
{
    const QString path = QDir(m_ctx.folders.oddsFolder()).filePath(kHistoryFileName);
    // A database that failed is opened afresh next time: a file mended or freed is used again.
    if (!m_database || m_database->path() != path || !m_database->ok())
        m_database = std::make_unique<HistoryDatabase>(path);
    if (!m_database->ok())
        return report(m_database->error());
    if (const Outcome written = m_database->write(fetch); !written.ok())
        return report(written.error);
    QList<OddsMove> moves;
    if (const Outcome found = m_database->findMoves(fetch, m_options.fallPercent, m_options.withinSeconds, moves);
        !found.ok())
        return report(found.error);
    m_reported.clear();
    for (const OddsMove& move : moves)
        tellHistory(m_ctx.form, u"%1 %2R: horse %3's win odds fell %4 % in %5 s, from %6 to %7"_s.arg(move.venue)
                                    .arg(move.race)
                                    .arg(move.horse)
                                    .arg(qRound(move.fallPercent))
                                    .arg(move.seconds)
                                    .arg(move.from, 0, 'f', 1)
                                    .arg(move.to, 0, 'f', 1));
}

} // namespace kazeyomi
