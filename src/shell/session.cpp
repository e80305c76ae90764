#include "shell/session.h"

#include <QDir>

#include "results/result_writers.h"
#include "snapshots/grid_snapshots.h"
#include "shell/grid_layouts.h"
#include "shell/notifier.h"
#include "shell/popup_closer.h"

namespace kazeyomi {

using namespace Qt::StringLiterals;

Session::Session(Settings settings, Notifier& notifier, std::shared_ptr<Clock> clock,
                 std::unique_ptr<WindowSystem> windows, std::unique_ptr<PageSource> pages)
    : m_settings(std::move(settings)),
      m_notifier(notifier),
      m_clock(clock ? std::move(clock) : std::make_shared<RunningClock>(m_settings.now)),
      m_folders(m_settings.baseDir, *m_clock),
      m_pages(pages ? std::move(pages) : std::make_unique<HttpPageSource>(m_settings.timeoutMs)),
      m_fetcher(m_form, *m_pages, m_settings.appDir, m_settings.siteStyle),
      m_context{m_form, *m_clock, m_folders, m_fetcher, m_settings.appDir, m_settings.siteUrl},
      m_races(m_context),
      m_poll(m_form, *m_clock, m_races),
      m_windows(windows ? std::move(windows) : createPlatformWindowSystem()),
      m_popupCloser(std::make_unique<PopupCloser>(*m_windows))
{
    m_form.setLogClock(m_clock.get());
    // The popup closer runs from creation on, in every state of the program.
    m_timer2.setInterval(100);
    connect(&m_timer2, &QTimer::timeout, this, [this] { m_popupCloser->Timer2_Timer(); });
    m_timer2.start();
}

Session::~Session() = default;

StartupResult Session::start() { return Form_Initialize(m_form, m_folders, *m_clock); }

void Session::click(const QString& control)
{
    if (control == u"Command2")
        m_poll.Command2_Click();
    else if (control == u"Command5")
        Command5_Click();
    else if (control == u"Command9") {
        if (const QString error = Command9_Click(m_context); !error.isEmpty())
            m_form.log(error);
    } else if (control == u"Command6" || control == u"Command7") {
        const QString error = control == u"Command6" ? Command6_Click(m_form, m_folders, m_notifier)
                                                     : Command7_Click(m_form, m_folders, m_notifier);
        if (!error.isEmpty())
            m_notifier.tell(u"Kazeyomi"_s, error);
    } else if (control == u"Command12")
        Command12_Click(m_form);
    else if (control == u"Command11")
        m_form.resultTestFlag = 1;
    else if (control == u"Command3")
        Command3_Click();
}

RaceOutcome Session::Command5_Click() { return m_races.Race_get(u"大井"_s, 10, 10); }

void Session::Command3_Click()
{
    // A page half received is no page, and nothing is fetched or written on the way out.
    m_fetcher.stop();
    const QString path = QDir(m_folders.cardFolder()).filePath(u"Grid8.dat"_s);
    const QString error = m_form.grid(kScheduleGrid).saveGrid(path);
    if (!error.isEmpty())
        m_notifier.tell(u"Kazeyomi"_s, error);
    Q_EMIT quitRequested(0);
}

} // namespace kazeyomi
