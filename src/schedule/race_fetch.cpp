#include "schedule/race_fetch.h"

#include <QScopeGuard>

#include "fetch/page_fetcher.h"
#include "scraping/page_reader.h"
#include "odds/capture/tanfuku_scraper.h"
#include "odds/files/tanfuku_writers.h"
#include "results/result_writers.h"
#include "results/seiseki_scraper.h"
#include "schedule/schedule_grid.h"
#include "foundation/context.h"
#include "foundation/day_folders.h"
#include "foundation/form_state.h"
#include "foundation/grid_layouts.h"

namespace kazeyomi {

using namespace Qt::StringLiterals;

namespace {

enum Tab { WinPlace = 0, Quinella = 2, Exacta = 4, Wide = 5, Trio = 6, Trifecta = 7, Payouts = 8 };

} // namespace

RaceOutcome RaceCycle::Race_get(const QString& venue, int n, int row)
{
    RaceOutcome outcome;
    outcome.venue = venue;
    outcome.race = n;
    outcome.row = row;
    if (m_busy) {
        outcome.failures << u"%1 %2R: another race is being fetched; try again when it is done"_s.arg(venue).arg(n);
        m_ctx.form.log(outcome.failures.back());
        return outcome;
    }
    // Once the program is ending nothing of a race is started any more.
    const QString ending = u"the program is ending"_s;
    if (m_ctx.fetcher.stopped()) {
        outcome.stopped = ending;
        return outcome;
    }
    m_busy = true;
    // A failure thrown from a grid ends the cycle too; the next race must still be fetched.
    const auto idle = qScopeGuard([this] { m_busy = false; });
    FormState& form = m_ctx.form;
    form.currentRow = row;
    form.setText(u"Text3"_s, QString::number(n));
    form.setText(u"Label1"_s, venue);
    form.setText(u"Text7"_s, venue);
    form.setText(u"Text8"_s, twoDigitRace(n));
    // An old page that cannot be removed would be read as this race's.
    if (!m_ctx.fetcher.Tmp_Delete()) {
        outcome.failures << u"the page cache cannot be cleared (see the fetch log)"_s;
        outcome.stopped = u"nothing fetched: the page cache cannot be cleared"_s;
        m_busy = false;
        return outcome;
    }

    GridModel& schedule = form.grid(kScheduleGrid);
    schedule.setSelectionEnabled(true);
    schedule.setHighlight(1);
    schedule.setSelectionMode(1);
    QString id;
    attempt([&] {
        schedule.setRow(row);
        id = schedule.textMatrix(row, ScheduleColumn::PageId);
    });

    const auto fetched = [&](const QString& what, const QString& error) {
        if (!error.isEmpty())
            outcome.failures << what + u": "_s + error;
    };
    const auto write = [&](const QString& extension, const Outcome& written) {
        if (written.ok()) {
            outcome.written << extension;
        } else {
            outcome.failures << written.error;
            form.log(u"%1 %2R: %3"_s.arg(venue).arg(n).arg(written.error));
        }
    };
    const auto finish = [&] {
        m_busy = false;
        return outcome;
    };

    // A fetch cut short, or a quit while the fetch let events run: no scraper or writer
    // runs after it, so the end of the program writes nothing.
    const auto endsHere = [&](bool interrupted) {
        if (!interrupted && !m_ctx.fetcher.stopped())
            return false;
        outcome.stopped = ending;
        return true;
    };

    form.setTab(WinPlace);
    const ScrapeResult winPlace = TanFuku_get(m_ctx, id);
    if (winPlace != ScrapeResult::Empty) {
        fetched(u"win/place odds"_s, m_ctx.fetcher.lastError());
        if (endsHere(m_ctx.fetcher.lastInterrupted()))
            return finish();
    }
    if (winPlace == ScrapeResult::NoData) {
        outcome.stopped = u"no win/place odds (fetch failed, page too short, no odds on it, or race cancelled)"_s;
        return finish();
    }

    form.setTab(Payouts);
    const PageFetch result = Seiseki_get(m_ctx, id.trimmed());
    fetched(u"result"_s, result.error);
    if (endsHere(result.interrupted))
        return finish();
    // A result page that did not arrive says nothing: the files keep the last result read.
    if (result.ok()) {
        write(u".sei"_s, Sei_write(m_ctx));
        write(u".jyun"_s, Jyun_write(m_ctx));
    }

    form.setTab(WinPlace);
    write(u".tanA"_s, TanA_write(m_ctx));
    write(u".Fuk1"_s, Fuk1_write(m_ctx));
    write(u".Fuk2"_s, Fuk2_write(m_ctx));

    schedule.setSelectionEnabled(false);
    schedule.setHighlight(0);
    return finish();
}

} // namespace kazeyomi
