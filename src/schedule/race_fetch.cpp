#include "schedule/race_fetch.h"

#include <QScopeGuard>

#include "fetch/page_fetcher.h"
#include "fetch/page_reader.h"
#include "fetch/text_helpers.h"
#include "odds/capture/tanfuku_scraper.h"
#include "odds/files/tanfuku_writers.h"
#include "results/result_writers.h"
#include "results/seiseki_scraper.h"
#include "schedule/schedule_grid.h"
#include "shell/context.h"
#include "shell/day_folders.h"
#include "shell/form_state.h"
#include "shell/grid_layouts.h"

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
    m_busy = true;
    // A failure thrown from a grid ends the cycle too; the next race must still be fetched.
    const auto idle = qScopeGuard([this] { m_busy = false; });
    FormState& form = m_ctx.form;
    form.currentRow = row;
    form.setText(u"Text3"_s, QString::number(n));
    form.setText(u"Label1"_s, venue);
    form.setText(u"Text7"_s, venue);
    form.setText(u"Text8"_s, twoDigitRace(n));
    m_ctx.fetcher.Tmp_Delete();

    GridModel& schedule = form.grid(kScheduleGrid);
    schedule.setSelectionEnabled(true);
    schedule.setHighlight(1);
    schedule.setSelectionMode(1);
    QString id;
    attempt([&] {
        schedule.setRow(row);
        id = schedule.textMatrix(row, ScheduleColumn::PageId);
    });

    // A scraper's fetch failure is kept for the caller; the scraper itself goes on as usual.
    const auto fetched = [&](const QString& what) {
        if (!m_ctx.fetcher.lastError().isEmpty())
            outcome.failures << what + u": "_s + m_ctx.fetcher.lastError();
    };
    const auto write = [&](const QString& extension, const QString& error) {
        if (error.isEmpty()) {
            outcome.written << extension;
        } else {
            outcome.failures << error;
            form.log(u"%1 %2R: %3"_s.arg(venue).arg(n).arg(error));
        }
    };
    const auto finish = [&] {
        m_busy = false;
        return outcome;
    };

    form.setTab(WinPlace);
    const ScrapeResult winPlace = TanFuku_get(m_ctx, id);
    fetched(u"win/place odds"_s);
    if (winPlace == ScrapeResult::NoData) {
        outcome.stopped = u"no win/place odds (page too short, no odds on it, or race cancelled)"_s;
        return finish();
    }

    form.setTab(Payouts);
    Seiseki_get(m_ctx, id.trimmed());
    fetched(u"result"_s);
    write(u".sei"_s, Sei_write(m_ctx));
    write(u".jyun"_s, Jyun_write(m_ctx));

    form.setTab(WinPlace);
    write(u".tanA"_s, TanA_write(m_ctx));
    write(u".Fuk1"_s, Fuk1_write(m_ctx));
    write(u".Fuk2"_s, Fuk2_write(m_ctx));

    schedule.setSelectionEnabled(false);
    schedule.setHighlight(0);
    return finish();
}

} // namespace kazeyomi
