#include "session/session.h"

#include <QDir>
#include <QScopeGuard>
#include <QSet>

#include "results/result_writers.h"
#include "schedule/schedule_grid.h"
#include "snapshots/grid_snapshots.h"
#include "foundation/grid_layouts.h"
#include "foundation/notifier.h"
#include "session/popup_closer.h"

namespace kazeyomi {

using namespace Qt::StringLiterals;

namespace {

// Counts the fetches waiting for their page: while one waits, window events run.
class WatchedPageSource final : public PageSource {
public:
    WatchedPageSource(std::unique_ptr<PageSource> inner, int& waits) : m_inner(std::move(inner)), m_waits(waits) {}
    FetchResult get(const QString& url, const QList<QPair<QByteArray, QByteArray>>& headers) override
    {
        ++m_waits;
        const auto done = qScopeGuard([this] { --m_waits; });
        return m_inner->get(url, headers);
    }

private:
    std::unique_ptr<PageSource> m_inner;
    int& m_waits;
};

// Buttons that touch neither the current race fields nor the grids nor the race's files:
// the start run (allowed inside a tick), the exit, the venue boxes and the buttons that do nothing.
const QSet<QString>& allowedDuringFetch()
{
    static const QSet<QString> allowed = {u"Command2"_s, u"Command3"_s, u"Command12"_s,
                                          u"Command4"_s, u"Command8"_s, u"Command10"_s};
    return allowed;
}

} // namespace

Session::Session(Settings settings, Notifier& notifier, std::shared_ptr<Clock> clock,
                 std::unique_ptr<WindowSystem> windows, std::unique_ptr<PageSource> pages)
    : m_settings(std::move(settings)),
      m_notifier(notifier),
      m_clock(clock ? std::move(clock) : std::make_shared<RunningClock>(m_settings.now)),
      m_folders(m_settings.baseDir, *m_clock),
      m_pages(std::make_unique<WatchedPageSource>(
          pages ? std::move(pages) : std::make_unique<HttpPageSource>(m_settings.timeoutMs), m_pageWaits)),
      m_fetcher(m_form, *m_pages, m_settings.appDir, m_settings.siteStyle),
      m_context{m_form, *m_clock, m_folders, m_fetcher, m_settings.appDir, m_settings.siteUrl},
      m_races(m_context),
      m_poll(m_form, *m_clock, m_races),
      m_windows(windows ? std::move(windows) : createPlatformWindowSystem()),
      m_popupCloser(std::make_unique<PopupCloser>(*m_windows))
{
    m_form.setLogClock(m_clock.get());
    m_poll.setFetchInProgress([this] { return m_pageWaits > 0; });
    // The popup closer runs from creation on, in every state of the program.
    m_timer2.setInterval(100);
    connect(&m_timer2, &QTimer::timeout, this, [this] { m_popupCloser->Timer2_Timer(); });
    m_timer2.start();
}

Session::~Session() = default;

StartupResult Session::start()
{
    return Form_Initialize(m_form, m_folders, *m_clock);
}

bool Session::fetchInProgress() const
{
    return m_races.busy() || m_pageWaits > 0;
}

QString Session::refusal(const QString& control) const
{
    if (!fetchInProgress() || allowedDuringFetch().contains(control))
        return {};
    return u"%1 is refused: %2 %3R is being fetched and it would change that race; press it again when the "
           "fetch is done"_s.arg(control, m_form.text(u"Label1"_s), m_form.text(u"Text3"_s));
}

void Session::click(const QString& control)
{
    // A click is where an event enters the program: nothing thrown below may end it.
    try {
        if (const QString refused = refusal(control); !refused.isEmpty()) {
            m_form.log(refused);
            return;
        }
        dispatch(control);
    } catch (const std::exception& e) {
        m_form.log(u"%1 failed: %2"_s.arg(control, QString::fromLocal8Bit(e.what())));
    } catch (...) {
        m_form.log(u"%1 failed"_s.arg(control));
    }
}

void Session::dispatch(const QString& control)
{
    if (control == u"Command2")
        m_poll.Command2_Click();
    else if (control == u"Command5")
        Command5_Click();
    else if (control == u"Command9") {
        if (const Outcome written = Command9_Click(m_context); !written.ok())
            m_form.log(written.error);
    } else if (control == u"Command6" || control == u"Command7") {
        const Outcome done = control == u"Command6" ? Command6_Click(m_form, m_folders, m_notifier)
                                                    : Command7_Click(m_form, m_folders, m_notifier);
        if (!done.ok())
            m_notifier.tell(u"Kazeyomi"_s, done.error);
    } else if (control == u"Command12")
        Command12_Click(m_form);
    else if (control == u"Command11")
        m_form.resultTestFlag = 1;
    else if (control == u"Command3")
        Command3_Click();
}

RaceOutcome Session::Command5_Click()
{
    constexpr int kRow = 10;
    const GridModel& schedule = m_form.grid(kScheduleGrid);
    if (schedule.rows() <= kRow) {
        RaceOutcome outcome;
        outcome.venue = u"大井"_s;
        outcome.race = kRow;
        outcome.row = kRow;
        const QString why = u"Command5: the schedule has no row %1 (%2 races), so 大井 10R has no race page id; "
                            "nothing is fetched"_s;
        outcome.failures << why.arg(kRow).arg(schedule.rows() - 1);
        m_form.log(outcome.failures.back());
        return outcome;
    }
    return m_races.Race_get(u"大井"_s, kRow, kRow);
}

QString Session::schedulePath() const
{
    return QDir(m_folders.cardFolder()).filePath(u"Grid8.dat"_s);
}

Outcome Session::saveSchedule()
{
    return m_form.grid(kScheduleGrid).saveGrid(schedulePath());
}

void Session::Command3_Click()
{
    // A page half received is no page, and nothing is fetched or written on the way out.
    m_fetcher.stop();
    if (const Outcome saved = saveSchedule(); !saved.ok())
        m_notifier.tell(u"Kazeyomi"_s, saved.error);
    Q_EMIT quitRequested(0);
}

} // namespace kazeyomi
