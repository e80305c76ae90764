#include "foundation/form_state.h"

#include "foundation/clock.h"
#include "foundation/grid_layouts.h"

namespace kazeyomi {

using namespace Qt::StringLiterals;

FormState::FormState(QObject* parent) : QObject(parent)
{
    // Design texts of the window definition; Text3 really starts as "Text2".
    m_texts = {
        {u"Text1"_s, u"Text1"_s}, {u"Text2"_s, u"Text2"_s}, {u"Text3"_s, u"Text2"_s}, {u"Text4"_s, u"Text4"_s},
        {u"Text6"_s, u"Text6"_s}, {u"Text7"_s, u"Text7"_s}, {u"Text8"_s, u"Text8"_s}, {u"Text9"_s, u"Text9"_s},
        {u"Text10"_s, QString()}, {u"Label1"_s, u"Label1"_s},
    };
    // The interval settings are never stored: these are their values at every start.
    const char* const intervals[kIntervalBoxes] = {"2", "60", "20", "1", "4", "10"};
    for (int i = 0; i < kIntervalBoxes; ++i)
        m_texts[intervalBox(i)] = QString::fromLatin1(intervals[i]);

    for (const auto& layout : gridLayouts())
        m_grids[layout.number] = new GridModel(gridName(layout.number), layout.rows, layout.cols, this);
    auto& schedule = grid(kScheduleGrid);
    for (int c = 0; c < kScheduleColumns; ++c)
        schedule.setTextMatrix(0, c, scheduleHeaders()[size_t(c)]);
}

FormState::~FormState() = default;

QString FormState::text(const QString& control) const
{
    const auto it = m_texts.find(control);
    return it == m_texts.end() ? QString() : it->second;
}

void FormState::setText(const QString& control, const QString& value)
{
    auto& slot = m_texts[control];
    if (slot == value)
        return;
    slot = value;
    Q_EMIT textChanged(control, value);
}

void FormState::setVenueBox(int index, const VenueBox& box)
{
    m_venueBoxes.at(size_t(index)) = box;
    Q_EMIT venueBoxesChanged();
}

void FormState::setVenueChecked(int index, bool checked)
{
    auto& box = m_venueBoxes.at(size_t(index));
    if (box.checked == checked)
        return;
    box.checked = checked;
    Q_EMIT venueBoxesChanged();
}

GridModel& FormState::grid(int number) const
{
    const auto it = m_grids.find(number);
    if (it == m_grids.end())
        throw GridRangeError(QStringLiteral("no grid VSFlexGrid%1").arg(number).toStdString());
    return *it->second;
}

void FormState::setFetchLampRed(bool red)
{
    m_fetchLampRed = red;
    Q_EMIT fetchLampChanged(red);
}

void FormState::setTab(int index)
{
    m_tab = index;
    Q_EMIT tabChanged(index);
}

void FormState::log(const QString& line)
{
    // A whole day of failures stays readable; the oldest lines go first.
    constexpr qsizetype kMaxLines = 5000;
    const QString stamped = m_logClock ? m_logClock->now().toString(u"HH:mm:ss"_s) + u"  "_s + line : line;
    if (m_fetchLog.size() >= kMaxLines)
        m_fetchLog.removeFirst();
    m_fetchLog.append(stamped);
    Q_EMIT logged(stamped);
}

void FormState::showNotice(const QString& text)
{
    m_noticeText = text;
    m_noticeVisible = true;
    Q_EMIT noticeChanged();
}

void FormState::closeNotice()
{
    m_noticeVisible = false;
    Q_EMIT noticeChanged();
}

void FormState::hideStartupControls()
{
    m_startupHidden = true;
    Q_EMIT startupControlsHiddenChanged();
}

void FormState::setTimer1Interval(int ms)
{
    m_timer1Interval = ms;
    Q_EMIT timer1IntervalChanged(ms);
}

} // namespace kazeyomi
