// The controls' values of the main window, kept in the core so that every routine runs
// the same with or without a window. The window shows and edits this object.
#pragma once

#include <array>
#include <map>
#include <memory>

#include <QObject>
#include <QString>
#include <QStringList>

#include "foundation/card_files.h"
#include "foundation/event_log.h"
#include "foundation/grid_layouts.h"
#include "foundation/grid_model.h"
#include "foundation/unknown_control.h"

namespace kazeyomi {

class Clock;

// The race being fetched, shared by the fetch cycle and the scrapers. Kept on the form because
// every routine of one race reads it after the previous one has set it, all on the one thread.
struct RaceInProgress {
    // The schedule row being processed: set by the start run, the tick and Race_get before
    // anything else is done with the row; the scrapers mark this row (called off, complete).
    int row = 0;
    // Horses on the win/place odds page, set by its scraper; sizes the other scrapers' and the
    // writers' tables. 16 bits, as the count has always been.
    qint16 runnerCount = 0;
    // 1 after the result test button: the result capture then reads the page left in the cache
    // instead of fetching, and expects 11 runners.
    qint16 resultTestFlag = 0;
};

class FormState : public QObject {
    Q_OBJECT
public:
    static constexpr int kVenueBoxes = 6; // Check2(0..5)

    struct VenueBox {
        bool visible = false;
        QString caption;
        bool checked = false;
    };

    explicit FormState(QObject* parent = nullptr);
    ~FormState() override;

    // Text boxes and labels by the names of foundation/controls.h; any other name throws
    // UnknownControl, so a typo fails at once instead of creating a control nobody shows.
    QString text(const QString& control) const;
    void setText(const QString& control, const QString& value);

    const VenueBox& venueBox(int index) const { return m_venueBoxes.at(size_t(index)); }
    void setVenueBox(int index, const VenueBox& box);
    void setVenueChecked(int index, bool checked);

    // A grid by its name; one the form does not have throws GridRangeError.
    GridModel& grid(Grid grid);
    const GridModel& grid(Grid grid) const;

    bool fetchLampRed() const { return m_fetchLampRed; }
    void setFetchLampRed(bool red);

    int tab() const { return m_tab; }
    void setTab(int index);

    // The fetch log List1: what the user must see, each line stamped with the clock's time.
    // A line without a level is a failure (a warning).
    const QStringList& fetchLog() const { return m_fetchLog; }
    void log(const QString& line) { log(LogLevel::Warning, line); }
    void log(LogLevel level, const QString& text, const QString& race = {});
    void setLogClock(const Clock* clock) { m_events.setClock(clock); }
    EventLog& events() { return m_events; }
    const EventLog& events() const { return m_events; }

    QString noticeText() const { return m_noticeText; }
    bool noticeVisible() const { return m_noticeVisible; }
    void showNotice(const QString& text);
    void closeNotice();

    bool startupControlsHidden() const { return m_startupHidden; }
    void hideStartupControls();

    int timer1Interval() const { return m_timer1Interval; }
    void setTimer1Interval(int ms);

    RaceInProgress race;
    // The meeting list read at start-up; Text4 is a row of it, counted from 1.
    std::vector<Meeting> meetings;
    // Whose card VSFlexGrid2 holds: the meeting's venue and race number of the capture. The
    // polling rewrites Text7 and Text8, so the card file cannot be named from them.
    struct CardInGrid {
        QString venue;
        int race = 0; // 0: no capture since the grid was emptied
    } cardInGrid;

Q_SIGNALS:
    void textChanged(const QString& control, const QString& value);
    void venueBoxesChanged();
    void fetchLampChanged(bool red);
    void tabChanged(int index);
    void logged(const QString& line);
    void noticeChanged();
    void startupControlsHiddenChanged();
    void timer1IntervalChanged(int ms);

private:
    EventLog m_events;
    std::map<QString, QString> m_texts;
    std::array<VenueBox, kVenueBoxes> m_venueBoxes;
    std::map<Grid, GridModel*> m_grids;
    bool m_fetchLampRed = false;
    int m_tab = 0;
    QStringList m_fetchLog;
    QString m_noticeText;
    bool m_noticeVisible = false;
    bool m_startupHidden = false;
    int m_timer1Interval = 0;
};

} // namespace kazeyomi
