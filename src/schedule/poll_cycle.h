// The start button and the one-second polling tick: every due race of a ticked venue is
// fetched, and each row's next fetch time follows its post time.
#pragma once

#include <map>

#include <QObject>
#include <QTimer>

#include "schedule/race_fetch.h"

namespace kazeyomi {

class Clock;
class FormState;

class PollCycle : public QObject {
    Q_OBJECT
public:
    PollCycle(FormState& form, const Clock& clock, RaceFetcher& races, QObject* parent = nullptr);

    void Command2_Click();
    void Timer1_Timer();
    int DounChk(const QString& chkba) const;

    // Rows still to be polled (not stopped); 0 once every row is stopped.
    int activeRows() const;
    bool armed() const { return m_timer.isActive(); }

Q_SIGNALS:
    void raceFetched(const RaceOutcome& outcome);
    void tickFinished();

private:
    void arm();
    // Reports a row whose schedule cannot be computed once, and leaves it alone until
    // the next start, so that it is neither fetched again and again nor reported every second.
    void setAside(int row, const QString& why);
    bool computeNextTime(int row, const QDateTime& t0, bool startRun);

    FormState& m_form;
    const Clock& m_clock;
    RaceFetcher& m_races;
    QTimer m_timer;
    bool m_inTick = false;
    std::map<int, QString> m_setAside;
};

} // namespace kazeyomi
