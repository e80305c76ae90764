// The controls' values of the main window, kept in the core so that every routine runs
// the same with or without a window. The window shows and edits this object.
#pragma once

#include <array>
#include <map>
#include <memory>

#include <QObject>
#include <QString>
#include <QStringList>

#include "foundation/grid_model.h"

namespace kazeyomi {

class Clock;

class FormState : public QObject {
    Q_OBJECT
public:
    static constexpr int kVenueBoxes = 6;   // Check2(0..5)
    static constexpr int kIntervalBoxes = 6; // Text5(0..5)

    struct VenueBox {
        bool visible = false;
        QString caption;
        bool checked = false;
    };

    explicit FormState(QObject* parent = nullptr);
    ~FormState() override;

    // Text boxes and labels by control name ("Text9", "Text5_3", "Label1").
    QString text(const QString& control) const;
    void setText(const QString& control, const QString& value);
    static QString intervalBox(int index) { return QStringLiteral("Text5_%1").arg(index); }

    const VenueBox& venueBox(int index) const { return m_venueBoxes.at(size_t(index)); }
    void setVenueBox(int index, const VenueBox& box);
    void setVenueChecked(int index, bool checked);

    GridModel& grid(int number) const;

    bool fetchLampRed() const { return m_fetchLampRed; }
    void setFetchLampRed(bool red);

    int tab() const { return m_tab; }
    void setTab(int index);

    // The fetch log List1: failures the user must see, each stamped with the clock's time.
    const QStringList& fetchLog() const { return m_fetchLog; }
    void log(const QString& line);
    void setLogClock(const Clock* clock) { m_logClock = clock; }

    QString noticeText() const { return m_noticeText; }
    bool noticeVisible() const { return m_noticeVisible; }
    void showNotice(const QString& text);
    void closeNotice();

    bool startupControlsHidden() const { return m_startupHidden; }
    void hideStartupControls();

    int timer1Interval() const { return m_timer1Interval; }
    void setTimer1Interval(int ms);

    // Module-level integers shared by the routines.
    int currentRow = 0;
    qint16 runnerCount = 0;
    qint16 resultTestFlag = 0;

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
    const Clock* m_logClock = nullptr;
    std::map<QString, QString> m_texts;
    std::array<VenueBox, kVenueBoxes> m_venueBoxes;
    std::map<int, GridModel*> m_grids;
    bool m_fetchLampRed = false;
    int m_tab = 0;
    QStringList m_fetchLog;
    QString m_noticeText;
    bool m_noticeVisible = false;
    bool m_startupHidden = false;
    int m_timer1Interval = 0;
};

} // namespace kazeyomi
