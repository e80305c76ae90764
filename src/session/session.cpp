#include "session/session.h"

#include <array>

#include <QDir>
#include <QHash>
#include <QScopeGuard>
#include <QSet>

#include "fetch/joining_page_source.h"
#include "foundation/controls.h"
#include "foundation/grid_layouts.h"
#include "foundation/notifier.h"
#include "racecards/meeting_choice.h"
#include "results/result_writers.h"
#include "schedule/schedule_grid.h"
#include "session/popup_closer.h"
#include "snapshots/grid_snapshots.h"

namespace kazeyomi {

using namespace Qt::StringLiterals;

namespace {

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
    : m_settings(std::move(settings)), m_venueCodes(m_settings.venueCodes), m_notifier(notifier),
      m_clock(clock ? std::move(clock) : std::make_shared<RunningClock>(m_settings.now)),
      m_folders(m_settings.baseDir, *m_clock),
      m_pages(std::make_unique<JoiningPageSource>(pages ? std::move(pages)
                                                        : std::make_unique<HttpPageSource>(m_settings.timeoutMs))),
      m_fetcher(m_form, *m_pages, m_settings.appDir, m_settings.siteStyle),
      m_context{m_form, *m_clock, m_folders, m_fetcher, m_settings.appDir, m_settings.siteUrl}, m_races(m_context),
      m_poll(m_form, *m_clock, m_races), m_watch(m_form, *m_clock, m_poll, m_folders),
      m_windows(windows ? std::move(windows) : createPlatformWindowSystem()),
      m_popupCloser(m_windows ? std::make_unique<PopupCloser>(*m_windows) : nullptr)
{
    m_form.setLogClock(m_clock.get());
    m_races.setObserver(&m_history);
    m_poll.setFetchInProgress([this] { return m_fetcher.waiting(); });
    // The popup closer runs from creation on, in every state of the program, where there are
    // windows to look at; elsewhere nothing wakes the program ten times a second.
    if (!m_popupCloser)
        return;
    m_timer2.setInterval(100);
    connect(&m_timer2, &QTimer::timeout, this, [this] { m_popupCloser->Timer2_Timer(); });
    m_timer2.start();
}

Session::~Session() = default;

StartupResult Session::start()
{
    // The day read at start-up is the day worked on: a race or card command that runs past
    // midnight still writes where its schedule came from.
    m_folders.fixDay(m_clock->now().date());
    StartupResult result = Form_Initialize(m_form, m_folders, *m_clock);
    if (result.ok() && !m_form.meetings.empty())
        if (const Outcome chosen = chooseMeeting(0); !chosen.ok())
            m_form.log(chosen.error);
    return result;
}

Outcome Session::chooseMeeting(int index)
{
    return kazeyomi::chooseMeeting(m_form, m_venueCodes, index);
}

CardCapture Session::Option2_Click(int k)
{
    CardCapture capture = kazeyomi::Option2_Click(m_context, m_settings.portalUrl, k);
    if (!capture.ok()) {
        const auto meeting = chosenMeeting(m_form);
        m_form.log(
            u"race card of %1 %2R: %3"_s.arg(meeting ? meeting->venue : QString()).arg(k + 1).arg(capture.error));
    }
    return capture;
}

CardWrite Session::Command1_Click(ScheduleCardReplace policy)
{
    CardWrite written = kazeyomi::Command1_Click(m_form, m_folders, m_notifier, policy);
    for (const QString& notice : written.notices)
        m_form.log(notice);
    if (!written.ok())
        m_notifier.tell(u"Kazeyomi"_s, written.error);
    return written;
}

bool Session::fetchInProgress() const
{
    return m_races.busy() || m_fetcher.waiting();
}

QString Session::refusal(const QString& control) const
{
    if (!fetchInProgress() || allowedDuringFetch().contains(control))
        return {};
    return u"%1 is refused: %2 %3R is being fetched and it would change that race; press it again when the "
           "fetch is done"_s.arg(control, m_form.text(Control::Label1), m_form.text(Control::Text3));
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
    using Handler = void (*)(Session&);
    static const QHash<QString, Handler> handlers = [] {
        const Handler nothing = [](Session&) {};
        QHash<QString, Handler> table = {
            {u"Command2"_s,
             [](Session& s) {
                 s.m_poll.Command2_Click();
                 s.m_folders.fixDay(s.m_poll.day());
             }},
            {u"Command3"_s, [](Session& s) { s.Command3_Click(); }},
            {u"Command5"_s, [](Session& s) { s.Command5_Click(); }},
            {u"Command6"_s,
             [](Session& s) {
                 if (const Outcome done = Command6_Click(s.m_form, s.m_folders, s.m_notifier); !done.ok())
                     s.m_notifier.tell(u"Kazeyomi"_s, done.error);
             }},
            {u"Command7"_s,
             [](Session& s) {
                 if (const Outcome done = Command7_Click(s.m_form, s.m_folders, s.m_notifier); !done.ok())
                     s.m_notifier.tell(u"Kazeyomi"_s, done.error);
             }},
            {u"Command9"_s,
             [](Session& s) {
                 if (const Outcome written = Command9_Click(s.m_context); !written.ok())
                     s.m_form.log(written.error);
             }},
            {u"Command11"_s, [](Session& s) { s.m_form.race.resultTestFlag = 1; }},
            {u"Command12"_s, [](Session& s) { Command12_Click(s.m_form); }},
            {u"Command1"_s, [](Session& s) { (void)s.Command1_Click(ScheduleCardReplace::Ask); }},
            // The window's buttons whose work is not done here.
            {u"Command4"_s, nothing},
            {u"Command8"_s, nothing},
            {u"Command10"_s, nothing},
        };
        // Each button's handler knows its index; a capture's failure is in the fetch log.
        static const std::array<Handler, kRaceButtons> raceButtons = {
            [](Session& s) { (void)s.Option2_Click(0); },  [](Session& s) { (void)s.Option2_Click(1); },
            [](Session& s) { (void)s.Option2_Click(2); },  [](Session& s) { (void)s.Option2_Click(3); },
            [](Session& s) { (void)s.Option2_Click(4); },  [](Session& s) { (void)s.Option2_Click(5); },
            [](Session& s) { (void)s.Option2_Click(6); },  [](Session& s) { (void)s.Option2_Click(7); },
            [](Session& s) { (void)s.Option2_Click(8); },  [](Session& s) { (void)s.Option2_Click(9); },
            [](Session& s) { (void)s.Option2_Click(10); }, [](Session& s) { (void)s.Option2_Click(11); },
        };
        for (int k = 0; k < kRaceButtons; ++k)
            table.insert(u"Option2_%1"_s.arg(k), raceButtons[size_t(k)]);
        return table;
    }();
    const auto handler = handlers.constFind(control);
    if (handler == handlers.cend()) {
        // A misspelt name in a caller would otherwise do nothing without a trace.
        m_form.log(u"%1: there is no such control; the click does nothing"_s.arg(control));
        return;
    }
    (*handler)(*this);
}

RaceOutcome Session::Command5_Click()
{
    constexpr int kRow = 10;
    const GridModel& schedule = m_form.grid(Grid::VSFlexGrid8);
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
    return m_form.grid(Grid::VSFlexGrid8).saveGrid(schedulePath());
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
