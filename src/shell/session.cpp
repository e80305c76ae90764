#include "shell/session.h"

#include <QDir>

#include "shell/grid_layouts.h"
#include "shell/notifier.h"
#include "shell/popup_closer.h"

namespace kazeyomi {

using namespace Qt::StringLiterals;

Session::Session(Settings settings, Notifier& notifier, std::unique_ptr<Clock> clock,
                 std::unique_ptr<WindowSystem> windows)
    : m_settings(std::move(settings)),
      m_notifier(notifier),
      m_clock(clock ? std::move(clock) : std::make_unique<RunningClock>(m_settings.now)),
      m_folders(m_settings.baseDir, *m_clock),
      m_windows(windows ? std::move(windows) : createPlatformWindowSystem()),
      m_popupCloser(std::make_unique<PopupCloser>(*m_windows))
{
    // The popup closer runs from creation on, in every state of the program.
    m_timer2.setInterval(100);
    connect(&m_timer2, &QTimer::timeout, this, [this] { m_popupCloser->Timer2_Timer(); });
    m_timer2.start();
}

Session::~Session() = default;

StartupResult Session::start() { return Form_Initialize(m_form, m_folders, *m_clock); }

void Session::click(const QString& control)
{
    if (control == u"Command12")
        Command12_Click(m_form);
    else if (control == u"Command11")
        m_form.resultTestFlag = 1;
    else if (control == u"Command3")
        Command3_Click();
}

void Session::Command3_Click()
{
    const QString path = QDir(m_folders.cardFolder()).filePath(u"Grid8.dat"_s);
    const QString error = m_form.grid(kScheduleGrid).saveGrid(path);
    if (!error.isEmpty())
        m_notifier.tell(u"Kazeyomi"_s, error);
    Q_EMIT quitRequested(0);
}

} // namespace kazeyomi
