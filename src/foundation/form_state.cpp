#include "foundation/form_state.h"

#include <utility>

#include "foundation/controls.h"
#include "foundation/grid_layouts.h"

namespace kazeyomi {

using namespace Qt::StringLiterals;

FormState::FormState(QObject* parent) : QObject(parent)
{
    // Design texts of the window definition; Text3 really starts as "Text2".
    m_texts = {
        {Control::Text1, u"Text1"_s},   {Control::Text2, u"Text2"_s}, {Control::Text3, u"Text2"_s},
        {Control::Text4, u"Text4"_s},   {Control::Text6, u"Text6"_s}, {Control::Text7, u"Text7"_s},
        {Control::Text8, u"Text8"_s},   {Control::Text9, u"Text9"_s}, {Control::Text10, QString()},
        {Control::Label1, u"Label1"_s},
    };
    // The interval settings are never stored: these are their values at every start.
    const char* const intervals[Control::kIntervalBoxes] = {"2", "60", "20", "1", "4", "10"};
    for (int i = 0; i < Control::kIntervalBoxes; ++i)
        m_texts[Control::intervalBox(i)] = QString::fromLatin1(intervals[i]);

    for (const auto& layout : gridLayouts())
        m_grids[layout.grid] = new GridModel(gridName(layout.grid), layout.rows, layout.cols, this);
    connect(&m_events, &EventLog::added, this, [this](const LogEntry& entry) {
        // A whole day of failures stays readable; the oldest lines go first.
        constexpr qsizetype kMaxLines = 5000;
        if (m_fetchLog.size() >= kMaxLines)
            m_fetchLog.removeFirst();
        m_fetchLog.append(entry.line());
        Q_EMIT logged(m_fetchLog.back());
    });
    auto& schedule = grid(Grid::VSFlexGrid8);
    for (int c = 0; c < kScheduleColumns; ++c)
        schedule.setTextMatrix(0, c, scheduleHeaders()[size_t(c)]);
}

FormState::~FormState() = default;

QString FormState::text(const QString& control) const
{
    const auto it = m_texts.find(control);
    if (it == m_texts.end())
        throw UnknownControl(control);
    return it->second;
}

void FormState::setText(const QString& control, const QString& value)
{
    const auto it = m_texts.find(control);
    if (it == m_texts.end())
        throw UnknownControl(control);
    QString& slot = it->second;
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

const GridModel& FormState::grid(Grid grid) const
{
    const auto it = m_grids.find(grid);
    if (it == m_grids.end())
        throw GridRangeError(QStringLiteral("no grid %1").arg(gridName(grid)).toStdString());
    return *it->second;
}

GridModel& FormState::grid(Grid grid)
{
    // The grids are the form's own: changing one changes the form.
    return const_cast<GridModel&>(std::as_const(*this).grid(grid));
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

void FormState::log(LogLevel level, const QString& text, const QString& race)
{
    m_events.add(level, text, race);
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
