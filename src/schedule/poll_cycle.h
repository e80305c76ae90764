// The start button and the one-second polling tick: every due race of a ticked venue is
// fetched, and each row's next fetch time follows its post time.
#pragma once

#include <functional>
#include <map>
#include <set>

#include <QDate>
#include <QObject>
#include <QTimer>

#include "schedule/race_fetch.h"

namespace kazeyomi {

class Clock;
class FormState;

class PollCycle : public QObject {
    Q_OBJECT
public:
    // The races of a tick whose pages are asked for at once: four races' six requests fill the
    // fetcher's connections to a site (four pools of six), so that none waits for a free one,
    // and no more pages wait rendered for their race's turn. A race done makes room for the next.
    static constexpr int kRacesAsked = 4;
    PollCycle(FormState& form, const Clock& clock, RaceFetcher& races, QObject* parent = nullptr);

    void Command2_Click();
    void Timer1_Timer();
    int DounChk(const QString& chkba) const;

    // Rows still to be polled (not stopped); 0 once every row is stopped.
    int activeRows() const;
    bool armed() const { return m_timer.isActive(); }
    // The racing day polled, fixed by the start run; invalid before it.
    QDate day() const { return m_day; }

    // What else counts as a fetch in progress besides the race fetcher's own (a page being
    // fetched for a button, for instance); a tick then leaves the due rows for the next tick.
    void setFetchInProgress(std::function<bool()> check) { m_fetchInProgress = std::move(check); }

Q_SIGNALS:
    void raceFetched(const RaceOutcome& outcome);
    void tickFinished();

private:
    void arm();
    // Reports a row whose schedule cannot be computed once, and leaves it alone until
    // the next start, so that it is neither fetched again and again nor reported every second.
    void setAside(int row, const QString& why);
    bool computeNextTime(int row, const QDateTime& t0, bool startRun);
    void startRow(int row, const QDateTime& t0);
    // What the tick does with a row, judged from the row and the settings as they are now.
    struct RowTurn;
    RowTurn turnOf(int row, const QDateTime& t0) const;
    // Asks ahead for the pages of the next races the tick is about to fetch, so that
    // kRacesAsked of them are asked for at once; called again as each race is done.
    void askAhead(const QDateTime& t0);
    void tickRow(int row, const QDateTime& t0);
    // State complete as for a finished race, so the row shows "停止" and is not fetched again.
    void stopRow(int row, const QString& why);
    bool fetchInProgress() const;
    QString rowName(int row) const;
    // A failure thrown inside the start run or a tick is reported once per row and message.
    void reportFailure(int row, const QString& what);
    // Interval boxes that cannot be used are reported once, until they are corrected.
    void reportIntervalProblems();

    FormState& m_form;
    const Clock& m_clock;
    RaceFetcher& m_races;
    QTimer m_timer;
    bool m_inTick = false;
    std::map<int, QString> m_setAside;
    // The tick's rows whose pages were asked for and that it has not come to yet, and the
    // next row to look at.
    std::set<int> m_askedAhead;
    int m_nextToAsk = 1;
    std::map<int, QString> m_failures;
    std::set<QString> m_intervalProblems;
    std::set<QString> m_intervalProblemsReported;
    std::function<bool()> m_fetchInProgress;
    QDate m_day; // the racing day polled, fixed by the start run
};

} // namespace kazeyomi
