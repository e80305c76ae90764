// How the grids are shown, never what they hold: the cells keep the text the routines wrote
// (the snapshot files save it byte for byte), and these views only render it more readably.
#pragma once

#include <functional>
#include <map>

#include <QHeaderView>
#include <QStyledItemDelegate>

#include "session/race_watch.h"

namespace kazeyomi {

// The schedule's row colours, shared with the legend; an invalid colour leaves the row plain.
QColor stateColour(RaceWatch::RowState state);
QString stateName(RaceWatch::RowState state);

// Header captions as shown: the model's text, or a clearer one where the design has none or
// repeats one ("複勝" twice).
class GridHeader : public QHeaderView {
    Q_OBJECT
public:
    GridHeader(std::map<int, QString> captions, QWidget* parent = nullptr);
    QString caption(int section) const;

protected:
    void paintSection(QPainter* painter, const QRect& rect, int logicalIndex) const override;
    QSize sectionSizeFromContents(int logicalIndex) const override;

private:
    std::map<int, QString> m_captions;
};

// The schedule: the countdown as m:ss and each row coloured by its race's state, with the
// last outcome as its tooltip.
class ScheduleDelegate : public QStyledItemDelegate {
    Q_OBJECT
public:
    explicit ScheduleDelegate(const RaceWatch* watch, QObject* parent = nullptr);
    static QString countdownText(const QString& seconds);
    bool helpEvent(QHelpEvent* event, QAbstractItemView* view, const QStyleOptionViewItem& option,
                   const QModelIndex& index) override;

protected:
    void initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const override;

private:
    const RaceWatch* m_watch;
};

// Odds and result grids: numbers right-aligned; in the win/place grid the three shortest
// win odds in bold and the horses' names beside their numbers.
class OddsDelegate : public QStyledItemDelegate {
    Q_OBJECT
public:
    explicit OddsDelegate(bool winPlace, QObject* parent = nullptr);
    void setRunnerNames(std::map<int, QString> names) { m_names = std::move(names); }

protected:
    void initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const override;

private:
    bool isFavourite(const QModelIndex& index) const;

    bool m_winPlace;
    std::map<int, QString> m_names;
};

// A cell that reads as a number or as the sites' "***" for a horse out.
bool looksNumeric(const QString& text);

} // namespace kazeyomi
