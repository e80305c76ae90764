#include "app/grid_display.h"

#include <algorithm>
#include <vector>

#include <QAbstractItemView>
#include <QHelpEvent>
#include <QPainter>
#include <QToolTip>

#include "foundation/schedule_columns.h"

namespace kazeyomi {

using namespace Qt::StringLiterals;

QColor stateColour(RaceWatch::RowState state)
{
    switch (state) {
    case RaceWatch::RowState::DueSoon:
        return QColor(255, 241, 184);
    case RaceWatch::RowState::Fetching:
        return QColor(190, 222, 255);
    case RaceWatch::RowState::Failing:
        return QColor(255, 200, 200);
    case RaceWatch::RowState::ResultIn:
        return QColor(207, 240, 196);
    case RaceWatch::RowState::CalledOff:
        return QColor(214, 214, 214);
    case RaceWatch::RowState::Stopped:
        return QColor(236, 236, 236);
    case RaceWatch::RowState::Waiting:
        break;
    }
    return {};
}

QString stateName(RaceWatch::RowState state)
{
    switch (state) {
    case RaceWatch::RowState::DueSoon:
        return u"まもなく取得"_s;
    case RaceWatch::RowState::Fetching:
        return u"取得中"_s;
    case RaceWatch::RowState::Failing:
        return u"失敗中"_s;
    case RaceWatch::RowState::ResultIn:
        return u"確定"_s;
    case RaceWatch::RowState::CalledOff:
        return u"取止"_s;
    case RaceWatch::RowState::Stopped:
        return u"停止"_s;
    case RaceWatch::RowState::Waiting:
        break;
    }
    return u"待機"_s;
}

bool looksNumeric(const QString& text)
{
    const QString t = text.trimmed();
    if (t.isEmpty())
        return false;
    if (t == u"***")
        return true;
    return std::all_of(t.begin(), t.end(),
                       [](QChar c) { return c.isDigit() || c == u'.' || c == u',' || c == u'-' || c == u'¥'; });
}

GridHeader::GridHeader(std::map<int, QString> captions, QWidget* parent)
    : QHeaderView(Qt::Horizontal, parent), m_captions(std::move(captions))
{
    setSectionsClickable(false);
    setHighlightSections(false);
}

QString GridHeader::caption(int section) const
{
    if (const auto it = m_captions.find(section); it != m_captions.end())
        return it->second;
    return model() ? model()->headerData(section, orientation(), Qt::DisplayRole).toString() : QString();
}

void GridHeader::paintSection(QPainter* painter, const QRect& rect, int logicalIndex) const
{
    if (!rect.isValid())
        return;
    QStyleOptionHeader option;
    initStyleOption(&option);
    initStyleOptionForIndex(&option, logicalIndex);
    option.rect = rect;
    option.text = caption(logicalIndex);
    option.textAlignment = Qt::AlignCenter;
    painter->save();
    style()->drawControl(QStyle::CE_Header, &option, painter, this);
    painter->restore();
}

QSize GridHeader::sectionSizeFromContents(int logicalIndex) const
{
    QSize size = QHeaderView::sectionSizeFromContents(logicalIndex);
    // Room for the whole caption: "NEXT TIME", not "NEXT TIM".
    size.setWidth(std::max(size.width(), fontMetrics().horizontalAdvance(caption(logicalIndex)) + 12));
    return size;
}

ScheduleDelegate::ScheduleDelegate(const RaceWatch* watch, QObject* parent)
    : QStyledItemDelegate(parent), m_watch(watch)
{
}

QString ScheduleDelegate::countdownText(const QString& seconds)
{
    bool isNumber = false;
    const qint64 s = seconds.trimmed().toLongLong(&isNumber);
    if (!isNumber)
        return seconds;
    const qint64 a = s < 0 ? -s : s;
    return u"%1%2:%3"_s.arg(s < 0 ? u"-"_s : QString()).arg(a / 60).arg(a % 60, 2, 10, QLatin1Char('0'));
}

void ScheduleDelegate::initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const
{
    QStyledItemDelegate::initStyleOption(option, index);
    if (index.column() == ScheduleColumn::Countdown) {
        option->text = countdownText(option->text);
        option->displayAlignment = Qt::AlignRight | Qt::AlignVCenter;
    }
    if (!m_watch)
        return;
    // The model's rows start at the grid's row 1.
    const RaceWatch::RowStatus status = m_watch->status(index.row() + 1);
    if (const QColor colour = stateColour(status.state); colour.isValid())
        option->backgroundBrush = colour;
    if (status.state == RaceWatch::RowState::CalledOff || status.state == RaceWatch::RowState::Stopped)
        option->palette.setColor(QPalette::Text, QColor(110, 110, 110));
    if (status.state == RaceWatch::RowState::Fetching)
        option->font.setBold(true);
}

bool ScheduleDelegate::helpEvent(QHelpEvent* event, QAbstractItemView* view, const QStyleOptionViewItem& option,
                                 const QModelIndex& index)
{
    if (!m_watch || event->type() != QEvent::ToolTip || !index.isValid())
        return QStyledItemDelegate::helpEvent(event, view, option, index);
    const RaceWatch::RowStatus status = m_watch->status(index.row() + 1);
    QString tip = stateName(status.state);
    if (status.failingSince.isValid())
        tip += u" — 失敗中 (%1 から)"_s.arg(status.failingSince.toString(u"HH:mm"_s));
    tip +=
        u"\n"_s + (status.lastOutcome.isEmpty() ? u"まだ取得していません"_s : u"最後の取得: "_s + status.lastOutcome);
    QToolTip::showText(event->globalPos(), tip, view);
    return true;
}

OddsDelegate::OddsDelegate(bool winPlace, QObject* parent) : QStyledItemDelegate(parent), m_winPlace(winPlace) {}

bool OddsDelegate::isFavourite(const QModelIndex& index) const
{
    // The three shortest win odds of the race; ties share a place.
    bool isNumber = false;
    const double mine = index.data().toString().trimmed().toDouble(&isNumber);
    if (!isNumber || mine <= 0)
        return false;
    std::vector<double> odds;
    const QAbstractItemModel* model = index.model();
    for (int r = 0; r < model->rowCount(); ++r) {
        bool ok = false;
        const double v = model->index(r, index.column()).data().toString().trimmed().toDouble(&ok);
        if (ok && v > 0)
            odds.push_back(v);
    }
    std::sort(odds.begin(), odds.end());
    return odds.size() >= 3 ? mine <= odds[2] : true;
}

void OddsDelegate::initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const
{
    QStyledItemDelegate::initStyleOption(option, index);
    if (looksNumeric(option->text))
        option->displayAlignment = Qt::AlignRight | Qt::AlignVCenter;
    if (!m_winPlace)
        return;
    if (index.column() == 0) {
        bool isNumber = false;
        const int number = option->text.trimmed().toInt(&isNumber);
        if (const auto name = m_names.find(number); isNumber && name != m_names.end()) {
            option->text = u"%1 %2"_s.arg(number, 2).arg(name->second);
            option->displayAlignment = Qt::AlignLeft | Qt::AlignVCenter;
        }
    } else if (index.column() == 1 && isFavourite(index)) {
        option->font.setBold(true);
        option->backgroundBrush = QColor(255, 236, 179);
    }
}

} // namespace kazeyomi
