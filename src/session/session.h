// One run of the program: settings, clock, day folders, the controls' state and the
// button handlers. The window and the headless mode both drive this object.
#pragma once

#include <memory>

#include <QObject>
#include <QTimer>

#include "fetch/http_page_source.h"
#include "fetch/page_fetcher.h"
#include "foundation/clock.h"
#include "foundation/context.h"
#include "foundation/day_folders.h"
#include "foundation/form_state.h"
#include "history/race_history.h"
#include "racecards/race_card_capture.h"
#include "racecards/race_card_file.h"
#include "racecards/venue_codes.h"
#include "schedule/poll_cycle.h"
#include "schedule/race_fetch.h"
#include "session/form_actions.h"
#include "session/popup_closer.h"
#include "session/race_watch.h"
#include "session/settings.h"
#include "session/startup.h"

namespace kazeyomi {

class Notifier;

class Session : public QObject, public FormActions {
    Q_OBJECT
public:
    Session(Settings settings, Notifier& notifier, std::shared_ptr<Clock> clock = nullptr,
            std::unique_ptr<WindowSystem> windows = nullptr, std::unique_ptr<PageSource> pages = nullptr);
    ~Session() override;

    // Form_Initialize; on failure the caller shows result.message and ends.
    StartupResult start();
    void click(const QString& control) override;

    FormState& form() { return m_form; }
    const Settings& settings() const { return m_settings; }
    const Clock& clock() const { return *m_clock; }
    const DayFolders& folders() const { return m_folders; }
    Notifier& notifier() { return m_notifier; }
    Context& context() { return m_context; }
    PollCycle& poll() { return m_poll; }
    RaceCycle& races() { return m_races; }
    RaceWatch& watch() { return m_watch; }

    // The meeting the race buttons capture for (0-based row of the meeting list); start-up
    // chooses the first. A venue without a portal code is reported here.
    Outcome chooseMeeting(int index) override;
    const VenueCodes& venueCodes() const { return m_venueCodes; }
    // Race button Option2(k): the card of race k + 1 of the chosen meeting into VSFlexGrid2.
    CardCapture Option2_Click(int k);
    // Writes the card in VSFlexGrid2 to its race card file.
    CardWrite Command1_Click(ScheduleCardReplace policy);

    // Command5: race 10 of 大井, with row 10's page id; nothing is fetched without a row 10.
    RaceOutcome Command5_Click();

    // Gives up the fetch in progress, saves the schedule grid to Grid8.dat and asks the
    // program to end.
    void Command3_Click();
    // Saves the schedule grid to Grid8.dat in the card folder.
    Outcome saveSchedule();
    QString schedulePath() const;

    // True while a race or a page is being fetched: the fetch lets window events run.
    bool fetchInProgress() const;
    // The popup closer's timer runs: only with a window system to look at.
    bool popupCloserRunning() const { return m_timer2.isActive(); }

Q_SIGNALS:
    void quitRequested(int exitCode);

private:
    void dispatch(const QString& control);
    // Why `control` may not run now, or empty.
    QString refusal(const QString& control) const;

    Settings m_settings;
    VenueCodes m_venueCodes;
    Notifier& m_notifier;
    std::shared_ptr<Clock> m_clock;
    DayFolders m_folders;
    FormState m_form;
    std::unique_ptr<PageSource> m_pages;
    PageFetcher m_fetcher;
    Context m_context;
    RaceHistory m_history{m_context, {m_settings.oddsFallPercent, m_settings.oddsFallSeconds}};
    RaceCycle m_races;
    PollCycle m_poll;
    RaceWatch m_watch;
    std::unique_ptr<WindowSystem> m_windows;
    std::unique_ptr<PopupCloser> m_popupCloser;
    QTimer m_timer2;
};

} // namespace kazeyomi
