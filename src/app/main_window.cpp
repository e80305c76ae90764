#include "app/main_window.h"

#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QCoreApplication>
#include <QDialog>
#include <QFileInfo>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QListWidget>
#include <QPainter>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <QSplitter>
#include <QStatusBar>
#include <QStyledItemDelegate>
#include <QTabWidget>
#include <QTableView>
#include <QTimer>
#include <QVBoxLayout>

#include "app/grid_display.h"
#include "app/odds_chart.h"
#include "foundation/card_files.h"
#include "foundation/controls.h"
#include "foundation/event_log.h"
#include "foundation/form_state.h"
#include "foundation/grid_layouts.h"
#include "foundation/schedule_columns.h"
#include "history/history_database.h"
#include "history/odds_series.h"
#include "session/form_actions.h"
#include "session/race_watch.h"

namespace kazeyomi {

using namespace Qt::StringLiterals;

namespace {

struct TabDesign {
    const char16_t* caption;
    std::vector<Grid> grids;
};

const std::vector<TabDesign>& tabDesigns()
{
    static const std::vector<TabDesign> tabs = {
        {u"単・複", {Grid::VSFlexGrid3}},
        {u"枠連複", {Grid::VSFlexGrid4}},
        {u"馬連複", {Grid::VSFlexGrid5, Grid::VSFlexGrid17}},
        {u"枠連単", {Grid::VSFlexGrid9}},
        {u"馬連単", {Grid::VSFlexGrid19, Grid::VSFlexGrid6}},
        {u"ワイド", {Grid::VSFlexGrid12, Grid::VSFlexGrid10, Grid::VSFlexGrid18}},
        {u"三連複", {Grid::VSFlexGrid21, Grid::VSFlexGrid11, Grid::VSFlexGrid20}},
        {u"三連単", {Grid::VSFlexGrid23, Grid::VSFlexGrid13, Grid::VSFlexGrid22}},
        {u"払戻", {Grid::VSFlexGrid14, Grid::VSFlexGrid15, Grid::VSFlexGrid16}},
        {u"出走成績", {}},
    };
    return tabs;
}

QGroupBox* frame(const QString& name, const QString& caption)
{
    auto* box = new QGroupBox(caption);
    box->setObjectName(name);
    return box;
}

// A slot is where a click enters the program: whatever the handler throws is reported in
// the fetch log, and the window goes on.
void clickSafely(FormState& form, FormActions& actions, const QString& control)
{
    try {
        actions.click(control);
    } catch (const std::exception& e) {
        form.log(u"%1 failed: %2"_s.arg(control, QString::fromLocal8Bit(e.what())));
    } catch (...) {
        form.log(u"%1 failed"_s.arg(control));
    }
}

// A choice of the user, guarded like a click: a failure is reported and the window goes on.
void chooseMeetingSafely(FormState& form, FormActions& actions, int index)
{
    try {
        if (const Outcome chosen = actions.chooseMeeting(index); !chosen.ok())
            form.log(chosen.error);
    } catch (const std::exception& e) {
        form.log(u"the meeting choice failed: %1"_s.arg(QString::fromLocal8Bit(e.what())));
    }
}

QLabel* label(const QString& name, const QString& caption)
{
    auto* l = new QLabel(caption);
    l->setObjectName(name);
    return l;
}

// What each grid holds, shown above it: a tab of three grids is otherwise three unnamed tables.
QString gridTitle(Grid grid)
{
    static const std::map<Grid, const char16_t*> titles = {
        {Grid::VSFlexGrid2, u"出馬表"},         {Grid::VSFlexGrid3, u"単勝・複勝"},
        {Grid::VSFlexGrid4, u"枠連複"},         {Grid::VSFlexGrid5, u"馬連複 オッズ"},
        {Grid::VSFlexGrid17, u"馬連複 作業表"}, {Grid::VSFlexGrid9, u"枠連単"},
        {Grid::VSFlexGrid19, u"馬単 作業表"},   {Grid::VSFlexGrid6, u"馬単 オッズ (1着→2着)"},
        {Grid::VSFlexGrid12, u"ワイド 上限"},   {Grid::VSFlexGrid10, u"ワイド 下限"},
        {Grid::VSFlexGrid18, u"ワイド 作業表"}, {Grid::VSFlexGrid21, u"三連複 作業表"},
        {Grid::VSFlexGrid11, u"三連複 オッズ"}, {Grid::VSFlexGrid20, u"三連複 組合せ"},
        {Grid::VSFlexGrid23, u"三連単 作業表"}, {Grid::VSFlexGrid13, u"三連単 オッズ"},
        {Grid::VSFlexGrid22, u"三連単 組合せ"}, {Grid::VSFlexGrid14, u"着順"},
        {Grid::VSFlexGrid15, u"成績"},          {Grid::VSFlexGrid16, u"払戻金"},
    };
    const auto it = titles.find(grid);
    return it == titles.end() ? QString() : QString::fromUtf16(it->second);
}

// Header captions shown where the design has none, or the same one twice.
std::map<int, QString> headerCaptions(Grid grid)
{
    if (grid == Grid::VSFlexGrid8)
        return {{ScheduleColumn::Countdown, u"A 残り"_s},
                {ScheduleColumn::Mark6, u"取止"_s},
                {ScheduleColumn::RaceName, u"レース名"_s},
                {ScheduleColumn::State, u"状態"_s},
                {ScheduleColumn::PageId, u"ページID"_s}};
    if (grid == Grid::VSFlexGrid3)
        return {{0, u"馬番"_s}, {2, u"複勝 下限"_s}, {3, u"複勝 上限"_s}};
    return {};
}

// The log's lines wrap at the list's width: a failure is read whole, not cut at the edge.
class WrappingLines final : public QStyledItemDelegate {
public:
    explicit WrappingLines(QListView* list) : QStyledItemDelegate(list), m_list(list) {}

    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override
    {
        const int width = std::max(40, m_list->viewport()->width() - 2 * kMargin);
        const QRect text =
            option.fontMetrics.boundingRect(QRect(0, 0, width, 1 << 20), Qt::TextWordWrap, index.data().toString());
        return {width, text.height() + 2 * kMargin};
    }
    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override
    {
        QStyleOptionViewItem item = option;
        initStyleOption(&item, index);
        const QString text = item.text;
        item.text.clear();
        const QWidget* widget = item.widget;
        QStyle* style = widget ? widget->style() : QApplication::style();
        style->drawControl(QStyle::CE_ItemViewItem, &item, painter, widget);
        painter->save();
        const bool selected = item.state & QStyle::State_Selected;
        const QVariant foreground = index.data(Qt::ForegroundRole);
        painter->setPen(selected               ? item.palette.color(QPalette::HighlightedText)
                        : foreground.isValid() ? foreground.value<QBrush>().color()
                                               : item.palette.color(QPalette::Text));
        painter->drawText(item.rect.adjusted(kMargin, kMargin, -kMargin, -kMargin), Qt::TextWordWrap, text);
        painter->restore();
    }

private:
    static constexpr int kMargin = 2;
    QListView* m_list;
};

QWidget* titled(const QString& title, QWidget* content)
{
    auto* box = new QWidget;
    auto* layout = new QVBoxLayout(box);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(1);
    auto* caption = new QLabel(title);
    QFont bold = caption->font();
    bold.setBold(true);
    caption->setFont(bold);
    layout->addWidget(caption);
    layout->addWidget(content, 1);
    return box;
}

} // namespace

MainWindow::MainWindow(FormState& form, FormActions& actions, RaceWatch* watch, QWidget* parent)
    : QMainWindow(parent), m_form(form), m_actions(actions), m_watch(watch)
{
    setObjectName(u"Form1"_s);
    setWindowTitle(kWindowTitle);

    auto* central = new QWidget;
    auto* layout = new QVBoxLayout(central);
    layout->setContentsMargins(4, 4, 4, 0);
    layout->setSpacing(4);
    layout->addWidget(buildTop());

    // The schedule and the odds take the room; the log and the race card area below can be
    // dragged smaller or shut.
    auto* upper = m_upperSplit = new QSplitter(Qt::Horizontal);
    upper->setObjectName(u"dayView"_s);
    upper->addWidget(buildSchedule());
    upper->addWidget(buildTabs());
    upper->setStretchFactor(0, 5);
    upper->setStretchFactor(1, 4);
    auto* lower = new QSplitter(Qt::Horizontal);
    lower->setObjectName(u"logAndCard"_s);
    lower->addWidget(buildLog());
    lower->addWidget(buildCard());
    lower->addWidget(buildTests());
    lower->setStretchFactor(0, 3);
    lower->setStretchFactor(1, 3);
    lower->setStretchFactor(2, 0);
    m_mainSplit = new QSplitter(Qt::Vertical);
    m_mainSplit->setObjectName(u"mainSplit"_s);
    m_mainSplit->addWidget(upper);
    m_mainSplit->addWidget(lower);
    m_mainSplit->setStretchFactor(0, 1);
    m_mainSplit->setStretchFactor(1, 0);
    m_mainSplit->setCollapsible(0, false);
    layout->addWidget(m_mainSplit, 1);
    // On a screen too small for it (or at 200 %) the window scrolls instead of growing past the
    // screen's edge with its buttons out of reach.
    auto* scroll = new QScrollArea;
    scroll->setObjectName(u"dayScroll"_s);
    scroll->setFrameShape(QFrame::NoFrame);
    scroll->setWidgetResizable(true);
    scroll->setWidget(central);
    setCentralWidget(scroll);
    buildStatusBar();

    // The timers live in the core; these objects carry their names for the inventory.
    for (const auto* name : {"Timer1", "Timer2"}) {
        auto* timer = new QTimer(this);
        timer->setObjectName(QString::fromLatin1(name));
    }
    // Pages are rendered without a browser; the two browser controls have nothing to show.
    for (const auto* name : {"WebBrowser1", "WebBrowser2"}) {
        auto* browser = new QWidget(central);
        browser->setObjectName(QString::fromLatin1(name));
        browser->hide();
    }

    m_notice = new QDialog(this);
    m_notice->setObjectName(u"Form2"_s);
    m_notice->setWindowTitle(u"Kazeyomi"_s);
    auto* noticeLayout = new QVBoxLayout(m_notice);
    m_noticeLabel = label(Control::Label1, QString());
    m_noticeLabel->setFont(QFont(u"ＭＳ Ｐゴシック"_s, 14));
    noticeLayout->addWidget(m_noticeLabel);

    connect(&m_form, &FormState::textChanged, this, &MainWindow::showText);
    connect(&m_form, &FormState::venueBoxesChanged, this, &MainWindow::showVenueBoxes);
    connect(&m_form, &FormState::fetchLampChanged, this, &MainWindow::showLamp);
    connect(&m_form, &FormState::tabChanged, this, &MainWindow::showTab);
    for (const LogEntry& entry : m_form.events().entries())
        showLogEntry(entry);
    connect(&m_form.events(), &EventLog::added, this, &MainWindow::showLogEntry);
    connect(&m_form, &FormState::noticeChanged, this, &MainWindow::showNotice);
    connect(&m_form, &FormState::startupControlsHiddenChanged, this, [this] {
        for (int i = 0; i < 10; ++i) {
            for (const auto& name : {u"Option1_%1"_s.arg(i), u"Check1_%1"_s.arg(i)})
                if (auto* w = findChild<QWidget*>(name))
                    w->setVisible(!m_form.startupControlsHidden());
        }
    });
    if (m_watch) {
        connect(m_watch, &RaceWatch::changed, this, [this] {
            m_schedule->viewport()->update();
            showStatus();
        });
        connect(m_watch, &RaceWatch::raceCycled, this, [this](const QString& venue, int race) {
            if (venue == m_form.text(Control::Text7) && race == m_form.text(Control::Text3).toInt())
                showChart();
        });
        // The clock runs before 開始 too.
        auto* clock = new QTimer(this);
        connect(clock, &QTimer::timeout, this, &MainWindow::showStatus);
        clock->start(1000);
    }
    connect(&m_form.grid(Grid::VSFlexGrid8), &GridModel::highlightChanged, this,
            [this] { m_schedule->viewport()->update(); });
    // A card captured for the race shown puts its horses' names beside their numbers.
    connect(&m_form.grid(Grid::VSFlexGrid2), &QAbstractItemModel::dataChanged, this,
            [this] { QTimer::singleShot(0, this, &MainWindow::showRaceShown); });
    showVenueBoxes();
    showMeetings();
    showLamp(m_form.fetchLampRed());
    showRaceShown();
    showStatus();

    const QScreen* screen = this->screen();
    resize(openingSize(screen ? screen->availableGeometry().size() : QSize(1600, 1000)));
    const int height = this->size().height();
    m_mainSplit->setSizes({height - 180, 150});
}

MainWindow::~MainWindow() = default;

QSize MainWindow::openingSize(const QSize& available)
{
    // The frame and title bar come on top of the size given here.
    constexpr int kFrameWidth = 8;
    constexpr int kFrameHeight = 36;
    return {std::min(1600, available.width() - kFrameWidth), std::min(1000, available.height() - kFrameHeight)};
}

QTableView* MainWindow::gridView(Grid grid)
{
    auto* view = new QTableView;
    GridModel* model = &m_form.grid(grid);
    view->setObjectName(gridName(grid));
    view->setHorizontalHeader(new GridHeader(headerCaptions(grid), view));
    view->setModel(model);
    view->verticalHeader()->hide();
    QFont font = view->font();
    font.setPointSize(9);
    view->setFont(font);
    view->horizontalHeader()->setFont(font);
    view->verticalHeader()->setDefaultSectionSize(view->fontMetrics().height() + 4);
    view->verticalHeader()->setMinimumSectionSize(view->fontMetrics().height() + 2);
    view->horizontalHeader()->setDefaultSectionSize(48);
    view->horizontalHeader()->setMinimumSectionSize(16);
    view->setEditTriggers(QAbstractItemView::NoEditTriggers);
    view->setAlternatingRowColors(grid != Grid::VSFlexGrid8);
    view->setWordWrap(false);
    view->setTextElideMode(Qt::ElideNone);
    if (grid == Grid::VSFlexGrid8) {
        view->setItemDelegate(new ScheduleDelegate(m_watch, view));
    } else {
        auto* delegate = new OddsDelegate(grid == Grid::VSFlexGrid3, view);
        if (grid == Grid::VSFlexGrid3)
            m_winPlace = delegate;
        view->setItemDelegate(delegate);
        connect(model, &QAbstractItemModel::dataChanged, view, [this, view] { fitColumnsLater(view); });
        connect(model, &QAbstractItemModel::modelReset, view, [this, view] { fitColumnsLater(view); });
    }
    connect(model, &GridModel::highlightChanged, view, [this, model, view] { showHighlight(model, view); });
    return view;
}

void MainWindow::fitColumnsLater(QTableView* view)
{
    // A scraper writes a grid cell by cell: the columns are fitted once, when it is done.
    static const char* const kPending = "fitPending";
    if (view->property(kPending).toBool())
        return;
    view->setProperty(kPending, true);
    QTimer::singleShot(0, view, [view] {
        view->setProperty(kPending, false);
        view->resizeColumnsToContents();
    });
}

void MainWindow::showHighlight(GridModel* grid, QTableView* view)
{
    if (grid->rowShownSelected() && grid->row() >= 1) {
        view->selectRow(grid->row() - 1);
        view->scrollTo(grid->index(grid->row() - 1, 0));
    } else {
        view->clearSelection();
    }
}

QLineEdit* MainWindow::textBox(const QString& name, int width)
{
    auto* box = new QLineEdit(m_form.text(name));
    box->setObjectName(name);
    box->setFixedWidth(width);
    connect(box, &QLineEdit::textEdited, this, [this, name](const QString& text) { m_form.setText(name, text); });
    m_textBoxes[name] = box;
    return box;
}

QWidget* MainWindow::button(const QString& name, const QString& caption)
{
    auto* b = new QPushButton(caption);
    b->setObjectName(name);
    connect(b, &QPushButton::clicked, this, [this, name] { clickSafely(m_form, m_actions, name); });
    return b;
}

QWidget* MainWindow::buildTop()
{
    auto* top = new QWidget;
    auto* row = new QHBoxLayout(top);
    row->setContentsMargins(0, 0, 0, 0);

    auto* venues = frame(u"Frame5"_s, u"開催場選択"_s);
    auto* venueRow = new QHBoxLayout(venues);
    venueRow->setContentsMargins(6, 2, 6, 2);
    for (int i = 0; i < FormState::kVenueBoxes; ++i) {
        auto* box = new QCheckBox;
        box->setObjectName(u"Check2_%1"_s.arg(i));
        connect(box, &QCheckBox::toggled, this, [this, i](bool on) { m_form.setVenueChecked(i, on); });
        m_venueBoxes[i] = box;
        venueRow->addWidget(box);
    }
    venueRow->addWidget(button(u"Command12"_s, u"Command12"_s));
    row->addWidget(venues);

    // The bands read left to right as a sentence: from 60 minutes before, every 10 minutes...
    auto* intervals = frame(u"Frame3"_s, u"取得間隔"_s);
    auto* grid = new QGridLayout(intervals);
    grid->setContentsMargins(6, 2, 6, 2);
    grid->setVerticalSpacing(2);
    grid->addWidget(textBox(Control::Text5[1], 32), 0, 0);
    grid->addWidget(label(u"Label3"_s, u"分から"_s), 0, 1);
    grid->addWidget(textBox(Control::Text5[5], 32), 0, 2);
    grid->addWidget(label(u"Label5"_s, u"分刻みに取得"_s), 0, 3);
    grid->addWidget(textBox(Control::Text5[2], 32), 0, 4);
    grid->addWidget(label(u"Label4"_s, u"分から"_s), 0, 5);
    grid->addWidget(textBox(Control::Text5[4], 32), 0, 6);
    grid->addWidget(label(u"Label6"_s, u"分刻みに取得"_s), 0, 7);
    grid->addWidget(textBox(Control::Text5[3], 32), 1, 2);
    grid->addWidget(label(u"Label7"_s, u"分刻みに取得"_s), 1, 3);
    grid->addWidget(label(u"Label9"_s, u"出走後"_s), 1, 5);
    grid->addWidget(textBox(Control::Text5[0], 32), 1, 6);
    grid->addWidget(label(u"Label8"_s, u"分毎"_s), 1, 7);
    row->addWidget(intervals);

    auto* run = new QVBoxLayout;
    run->setSpacing(2);
    auto* start = button(u"Command2"_s, u"開始"_s);
    QFont bold = start->font();
    bold.setBold(true);
    start->setFont(bold);
    run->addWidget(start);
    run->addWidget(button(u"Command3"_s, u"終了"_s));
    row->addLayout(run);

    auto* current = new QGridLayout;
    current->setVerticalSpacing(2);
    m_label1 = label(Control::Label1, m_form.text(Control::Label1));
    m_label1->setMinimumWidth(56);
    QFont big = m_label1->font();
    big.setPointSize(big.pointSize() + 5);
    big.setBold(true);
    m_label1->setFont(big);
    m_label1->setToolTip(u"取得中の開催場"_s);
    current->addWidget(m_label1, 0, 0, 2, 1);
    current->addWidget(textBox(Control::Text7, 56), 0, 1);
    current->addWidget(textBox(Control::Text8, 36), 0, 2);
    current->addWidget(textBox(Control::Text3, 36), 1, 1);
    current->addWidget(textBox(Control::Text9, 56), 1, 2);
    m_textBoxes[Control::Text9]->setToolTip(u"オッズの時刻"_s);
    row->addLayout(current);
    row->addStretch(1);
    return top;
}

QWidget* MainWindow::buildSchedule()
{
    m_schedule = gridView(Grid::VSFlexGrid8);
    m_schedule->setSelectionBehavior(QAbstractItemView::SelectRows);
    const auto fit = [this] {
        m_schedule->resizeColumnsToContents();
        // Room for a countdown and a race name as the polling writes them.
        const QFontMetrics metrics(m_schedule->font());
        const int countdown = metrics.horizontalAdvance(u"-00:00"_s) + 12;
        m_schedule->setColumnWidth(ScheduleColumn::Countdown,
                                   std::max(m_schedule->columnWidth(ScheduleColumn::Countdown), countdown));
        m_schedule->setColumnWidth(ScheduleColumn::RaceName,
                                   std::min(m_schedule->columnWidth(ScheduleColumn::RaceName),
                                            metrics.horizontalAdvance(u"Ｃ１一般　選抜特別"_s)));
        // Once the day is read, the schedule gets the width of its columns and the odds the rest.
        const GridModel& day = m_form.grid(Grid::VSFlexGrid8);
        if (m_upperSplit && !m_scheduleSized && day.rows() > 1 && !day.textMatrix(1, ScheduleColumn::Venue).isEmpty()) {
            m_scheduleSized = true;
            int width = m_schedule->verticalScrollBar()->sizeHint().width() + 2 * m_schedule->frameWidth() + 2;
            for (int c = 0; c < m_schedule->model()->columnCount(); ++c)
                width += m_schedule->columnWidth(c);
            const int total = std::max({m_upperSplit->width(), this->width() - 12, width + 400});
            width = std::min(width, total * 3 / 5);
            m_upperSplit->setSizes({width, total - width});
        }
    };
    GridModel& schedule = m_form.grid(Grid::VSFlexGrid8);
    connect(&schedule, &QAbstractItemModel::rowsInserted, m_schedule, fit);
    connect(&schedule, &QAbstractItemModel::rowsRemoved, m_schedule, fit);
    connect(&schedule, &QAbstractItemModel::modelReset, m_schedule, fit);
    fit();

    auto* panel = new QWidget;
    auto* layout = new QVBoxLayout(panel);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(2);
    auto* head = new QHBoxLayout;
    auto* title = new QLabel(u"本日のレース"_s);
    QFont bold = title->font();
    bold.setBold(true);
    title->setFont(bold);
    head->addWidget(title);
    head->addStretch(1);
    // The legend of the row colours.
    for (auto state : {RaceWatch::RowState::DueSoon, RaceWatch::RowState::Fetching, RaceWatch::RowState::Failing,
                       RaceWatch::RowState::ResultIn, RaceWatch::RowState::CalledOff, RaceWatch::RowState::Stopped}) {
        auto* chip = new QLabel(stateName(state));
        chip->setStyleSheet(u"background:%1; padding:0 4px; border:1px solid #bbb"_s.arg(stateColour(state).name()));
        head->addWidget(chip);
    }
    layout->addLayout(head);
    layout->addWidget(m_schedule, 1);
    return panel;
}

QWidget* MainWindow::buildTabs()
{
    m_tabs = new QTabWidget;
    m_tabs->setObjectName(u"SSTab1"_s);
    for (const auto& design : tabDesigns()) {
        QWidget* page = nullptr;
        if (design.grids.size() == 1) {
            page = titled(gridTitle(design.grids[0]), gridView(design.grids[0]));
        } else if (design.grids.empty()) {
            page = new QWidget;
        } else {
            auto* split = new QSplitter(Qt::Vertical);
            for (Grid grid : design.grids) {
                split->addWidget(titled(gridTitle(grid), gridView(grid)));
                // The result grid is only ever cleared: it gets no room to stretch.
                split->setStretchFactor(split->count() - 1, grid == Grid::VSFlexGrid15 ? 0 : 1);
            }
            page = split;
        }
        page->setContentsMargins(2, 2, 2, 2);
        m_tabs->addTab(page, QString::fromUtf16(design.caption));
    }
    connect(m_tabs, &QTabWidget::currentChanged, this, [this](int index) {
        if (index != m_form.tab())
            m_form.setTab(index);
    });

    auto* panel = new QWidget;
    auto* layout = new QVBoxLayout(panel);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(2);
    auto* head = new QHBoxLayout;
    m_oddsTitle = new QLabel;
    m_oddsTitle->setObjectName(u"OddsTitle"_s);
    QFont big = m_oddsTitle->font();
    big.setPointSize(big.pointSize() + 2);
    big.setBold(true);
    m_oddsTitle->setFont(big);
    head->addWidget(m_oddsTitle, 1);
    // On: the tab of the grid being filled comes to the front, as it always did. Off: the tab
    // the user chose stays, while the cycle goes on filling the grids behind it.
    m_follow = new QCheckBox(u"取得中のタブを表示"_s);
    m_follow->setObjectName(u"FollowFetch"_s);
    m_follow->setChecked(true);
    m_follow->setToolTip(u"外すと、選んだタブのまま取得を続けます"_s);
    connect(m_follow, &QCheckBox::toggled, this, [this](bool on) {
        if (on)
            m_tabs->setCurrentIndex(m_form.tab());
    });
    head->addWidget(m_follow);
    layout->addLayout(head);
    // The chart sits beside the ten tabs, not among them: their indexes are the cycle's state.
    auto* views = new QTabWidget;
    views->setObjectName(u"OddsViews"_s);
    views->setTabPosition(QTabWidget::South);
    views->setDocumentMode(true);
    views->addTab(m_tabs, u"オッズ表"_s);
    m_chart = new OddsChart;
    views->addTab(m_chart, u"単勝オッズの推移"_s);
    layout->addWidget(views, 1);
    return panel;
}

QWidget* MainWindow::buildLog()
{
    auto* logFrame = frame(u"Frame4"_s, u"取得ログ"_s);
    auto* logLayout = new QHBoxLayout(logFrame);
    logLayout->setContentsMargins(4, 2, 4, 4);
    m_log = new QListWidget;
    m_log->setObjectName(u"List1"_s);
    m_log->setItemDelegate(new WrappingLines(m_log));
    m_log->setResizeMode(QListView::Adjust);
    m_log->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_log->setToolTip(u"新しい順"_s);
    logLayout->addWidget(m_log, 1);
    auto* list4 = new QListWidget;
    list4->setObjectName(u"List4"_s);
    list4->setMaximumWidth(60);
    logLayout->addWidget(list4);
    return logFrame;
}

QWidget* MainWindow::buildCard()
{
    auto* card = new QWidget;
    auto* layout = new QVBoxLayout(card);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(2);
    auto* races = frame(u"Frame1"_s, u"Frame1"_s);
    auto* raceRow = new QHBoxLayout(races);
    raceRow->setContentsMargins(4, 0, 4, 0);
    raceRow->setSpacing(4);
    // The meeting whose race the buttons capture: it sets Text4 (its row) and Text2 (its code).
    m_meetings = new QComboBox;
    m_meetings->setObjectName(u"MeetingChoice"_s);
    m_meetings->setToolTip(u"出馬表を取得する開催"_s);
    connect(m_meetings, &QComboBox::activated, this,
            [this](int index) { chooseMeetingSafely(m_form, m_actions, index); });
    raceRow->addWidget(m_meetings);
    for (int k = 0; k <= 11; ++k) {
        auto* option = new QRadioButton(QString::number(k + 1));
        option->setObjectName(u"Option2_%1"_s.arg(k));
        connect(option, &QRadioButton::clicked, this,
                [this, k] { clickSafely(m_form, m_actions, u"Option2_%1"_s.arg(k)); });
        raceRow->addWidget(option);
    }
    raceRow->addStretch(1);
    layout->addWidget(races);
    auto* cardGrid = gridView(Grid::VSFlexGrid2);
    cardGrid->setMinimumHeight(40);
    layout->addWidget(cardGrid, 1);
    auto* cardTexts = new QHBoxLayout;
    for (const QString& name : {Control::Text1, Control::Text2, Control::Text4})
        cardTexts->addWidget(textBox(name, 48));
    auto* title = textBox(Control::Text6, 160);
    title->setMinimumWidth(120);
    title->setMaximumWidth(QWIDGETSIZE_MAX);
    title->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    cardTexts->addWidget(title, 1);
    cardTexts->addWidget(button(u"Command1"_s, u"Command1"_s));
    layout->addLayout(cardTexts);
    return titled(gridTitle(Grid::VSFlexGrid2), card);
}

QWidget* MainWindow::buildTests()
{
    auto* panel = new QWidget;
    auto* tests = new QGridLayout(panel);
    tests->setContentsMargins(0, 0, 0, 0);
    tests->setSpacing(2);
    const std::pair<const char16_t*, const char16_t*> buttons[] = {
        {u"Command5", u"タイマーテストルーチン"},
        {u"Command6", u"save"},
        {u"Command7", u"load"},
        {u"Command9", u"成績変換テスト"},
        {u"Command8", u"3連単変換テスト"},
        {u"Command10", u"取得テスト"},
        {u"Command11", u"Command11"},
        {u"Command4", u"Command4"},
    };
    int i = 0;
    for (const auto& [name, caption] : buttons) {
        tests->addWidget(button(QString::fromUtf16(name), QString::fromUtf16(caption)), i / 2, i % 2);
        ++i;
    }
    tests->setRowStretch(4, 1);

    // Controls of the original design that have no role; kept so the inventory is whole.
    auto* unused = new QWidget(panel);
    unused->setObjectName(u"unusedControls"_s);
    auto* unusedLayout = new QVBoxLayout(unused);
    auto* venueNames = frame(u"Frame2"_s, u"取得場名"_s);
    auto* venueNamesLayout = new QGridLayout(venueNames);
    for (int k = 0; k <= 11; ++k) {
        auto* box = new QCheckBox(u"Check1"_s);
        box->setObjectName(u"Check1_%1"_s.arg(k));
        venueNamesLayout->addWidget(box, k / 4, k % 4);
    }
    unusedLayout->addWidget(venueNames);
    for (int k = 0; k <= 9; ++k) {
        auto* option = new QRadioButton;
        option->setObjectName(u"Option1_%1"_s.arg(k));
        unusedLayout->addWidget(option);
    }
    for (const auto* name : {"List2", "List3"}) {
        auto* list = new QListWidget;
        list->setObjectName(QString::fromLatin1(name));
        list->setMaximumHeight(40);
        unusedLayout->addWidget(list);
    }
    unused->hide();
    return panel;
}

void MainWindow::buildStatusBar()
{
    auto* bar = statusBar();
    bar->setSizeGripEnabled(true);
    const auto figure = [&](const QString& name, const QString& tip) {
        auto* l = label(name, QString());
        l->setToolTip(tip);
        l->setMinimumWidth(8); // a narrow window cuts the figures rather than growing
        l->setContentsMargins(4, 0, 4, 0);
        m_status[name] = l;
        bar->addWidget(l);
        return l;
    };
    QFont bold = bar->font();
    bold.setBold(true);
    figure(u"StatusClock"_s, u"現在時刻"_s)->setFont(bold);
    figure(u"StatusPolling"_s, u"取得の状態"_s);
    figure(u"StatusNext"_s, u"次に取得するレースとその時刻"_s);
    figure(u"StatusLastFetch"_s, u"最後に取得できた時刻"_s);
    figure(u"StatusFailures"_s, u"直近10分の失敗"_s);
    m_lamp = label(u"Label2"_s, QString());
    m_lamp->setFixedSize(14, 14);
    m_lamp->setAutoFillBackground(true);
    m_lamp->setToolTip(u"取得ランプ: 取得中は赤"_s);
    bar->addWidget(m_lamp);
    auto* url = textBox(Control::Text10, 200);
    url->setMinimumWidth(40);
    url->setMaximumWidth(QWIDGETSIZE_MAX);
    url->setReadOnly(true);
    url->setFrame(false);
    url->setToolTip(u"取得中のページ"_s);
    bar->addWidget(url, 1);
    // The latest warning (a failure, a layout alarm, a sharp odds move) stays in sight after
    // its line has scrolled down the log.
    auto* warning = label(u"StatusWarning"_s, QString());
    warning->setMinimumWidth(8);
    warning->setMaximumWidth(560);
    warning->setStyleSheet(u"color: rgb(170, 80, 0);"_s);
    m_status[u"StatusWarning"_s] = warning;
    bar->addPermanentWidget(warning);
}

void MainWindow::showStatus()
{
    if (!m_watch) {
        m_status[u"StatusPolling"_s]->setText(u"—"_s);
        return;
    }
    const QDateTime now = m_watch->now();
    m_status[u"StatusClock"_s]->setText(now.toString(u"HH:mm:ss"_s));
    QString polling;
    if (m_watch->polling())
        polling = u"取得中"_s;
    else if (m_watch->totals().fetches > 0)
        polling = u"全レース終了"_s;
    else
        polling = u"待機中 (開始で取得)"_s;
    m_status[u"StatusPolling"_s]->setText(polling);
    QString next = u"次: —"_s;
    if (const auto due = m_watch->nextDue(); due && m_watch->polling())
        next = u"次: %1  %2 (%3)"_s.arg(
            due->race, due->at,
            due->seconds <= 0 ? u"取得待ち"_s : ScheduleDelegate::countdownText(QString::number(due->seconds)));
    m_status[u"StatusNext"_s]->setText(next);
    const QDateTime last = m_watch->lastSuccess();
    m_status[u"StatusLastFetch"_s]->setText(
        u"最終取得 %1"_s.arg(last.isValid() ? last.toString(u"HH:mm:ss"_s) : u"—"_s));
    const int failures = m_watch->recentFailures();
    auto* failed = m_status[u"StatusFailures"_s];
    failed->setText(u"失敗 %1 (10分)"_s.arg(failures));
    failed->setStyleSheet(failures > 0 ? u"color:#b00000; font-weight:bold"_s : QString());
}

QString MainWindow::postTimeShown() const
{
    const QString venue = m_form.text(Control::Text7);
    const int race = m_form.text(Control::Text3).toInt();
    const GridModel& schedule = m_form.grid(Grid::VSFlexGrid8);
    const auto matches = [&](int r) {
        return r >= 1 && r < schedule.rows() && schedule.textMatrix(r, ScheduleColumn::Venue) == venue &&
               schedule.textMatrix(r, ScheduleColumn::Race).toInt() == race;
    };
    int row = matches(m_form.race.row) ? m_form.race.row : 0;
    for (int r = 1; !row && r < schedule.rows(); ++r)
        row = matches(r) ? r : 0;
    return row ? schedule.textMatrix(row, ScheduleColumn::PostTime) : QString();
}

QString MainWindow::oddsTitle() const
{
    const QString venue = m_form.text(Control::Text7);
    bool isNumber = false;
    const int race = m_form.text(Control::Text3).toInt(&isNumber);
    if (!isNumber || venue.isEmpty() || venue == u"Text7")
        return u"オッズ: まだ取得していません"_s;
    QString title = raceLabel(venue, race, postTimeShown());
    const QString odds = m_form.text(Control::Text9);
    if (!odds.isEmpty() && odds != u"Text9")
        title += u" — odds "_s + odds;
    return title;
}

void MainWindow::showRaceShown()
{
    m_oddsTitle->setText(oddsTitle());
    // The odds time changes inside a cycle, before its history is written: the chart is read
    // again for another race here, and for the same race once its cycle is done.
    if (m_form.text(Control::Text7) + u' ' + m_form.text(Control::Text3) != m_chartRace)
        showChart();
    if (!m_watch || !m_winPlace)
        return;
    m_winPlace->setRunnerNames(m_watch->runnerNames(m_form.text(Control::Text7), m_form.text(Control::Text3).toInt()));
    if (auto* view = findChild<QTableView*>(gridName(Grid::VSFlexGrid3))) {
        view->viewport()->update();
        fitColumnsLater(view);
    }
}

void MainWindow::showChart()
{
    const QString venue = m_form.text(Control::Text7);
    const QString raceText = m_form.text(Control::Text3);
    m_chartRace = venue + u' ' + raceText;
    bool isNumber = false;
    const int race = raceText.toInt(&isNumber);
    WinOddsSeries series;
    QDateTime post;
    if (m_watch && isNumber && QFileInfo::exists(m_watch->historyPath())) {
        HistoryDatabase database(m_watch->historyPath(), true);
        if (database.ok())
            series = winOddsSeries(database.database(), venue, race);
        else
            series.error = database.error();
        QDate day = m_watch->now().date();
        for (const HorseOdds& horse : series.horses)
            if (!horse.points.isEmpty())
                day = horse.points.front().at.date();
        const QTime postTime = QTime::fromString(postTimeShown(), u"HH:mm"_s);
        if (postTime.isValid())
            post = QDateTime(day, postTime);
    }
    m_chart->showSeries(oddsTitle(), series, post,
                        m_watch ? m_watch->runnerNames(venue, race) : std::map<int, QString>{});
}

void MainWindow::showTab(int index)
{
    if (m_follow->isChecked())
        m_tabs->setCurrentIndex(index);
}

void MainWindow::showLogEntry(const LogEntry& entry)
{
    // Newest first: what just happened is where the eye lands.
    constexpr int kMaxItems = 5000;
    auto* item = new QListWidgetItem(entry.line());
    item->setToolTip(levelName(entry.level) + u"  "_s + entry.line());
    if (entry.level == LogLevel::Error)
        item->setForeground(QColor(176, 0, 0));
    else if (entry.level == LogLevel::Warning)
        item->setForeground(QColor(170, 80, 0));
    m_log->insertItem(0, item);
    while (m_log->count() > kMaxItems)
        delete m_log->takeItem(m_log->count() - 1);
    if (entry.level != LogLevel::Info) {
        QLabel* warning = m_status[u"StatusWarning"_s];
        const QString text = entry.race.isEmpty() ? entry.text : entry.race + u"  "_s + entry.text;
        warning->setText(warning->fontMetrics().elidedText(text, Qt::ElideRight, warning->maximumWidth()));
        warning->setToolTip(entry.line());
    }
}

void MainWindow::showMeetings()
{
    QSignalBlocker block(m_meetings);
    m_meetings->clear();
    for (const Meeting& meeting : m_form.meetings)
        m_meetings->addItem(u"%1 (%2R)"_s.arg(meeting.venue).arg(meeting.races));
    m_meetings->setCurrentIndex(m_form.text(Control::Text4).toInt() - 1);
}

void MainWindow::showText(const QString& control, const QString& value)
{
    if (control == Control::Text4)
        showMeetings();
    if (control == Control::Text7 || control == Control::Text3 || control == Control::Text9)
        showRaceShown();
    if (control == Control::Label1) {
        m_label1->setText(value);
        return;
    }
    if (const auto it = m_textBoxes.find(control); it != m_textBoxes.end() && it->second->text() != value)
        it->second->setText(value);
}

void MainWindow::showVenueBoxes()
{
    for (int i = 0; i < FormState::kVenueBoxes; ++i) {
        const auto& box = m_form.venueBox(i);
        QSignalBlocker block(m_venueBoxes[i]);
        m_venueBoxes[i]->setText(box.caption);
        m_venueBoxes[i]->setChecked(box.checked);
        m_venueBoxes[i]->setVisible(box.visible);
    }
}

void MainWindow::showLamp(bool red)
{
    QPalette palette = m_lamp->palette();
    palette.setColor(QPalette::Window, red ? QColor(255, 0, 0) : palette.color(QPalette::Button));
    m_lamp->setPalette(palette);
}

void MainWindow::showNotice()
{
    m_noticeLabel->setText(m_form.noticeText());
    if (m_form.noticeVisible()) {
        m_notice->show();
        m_notice->raise();
        // Start-up runs before the event loop: paint the notice now, or it is never seen.
        QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
    } else {
        m_notice->hide();
    }
}

void MainWindow::closeEvent(QCloseEvent* event)
{
    // Closing the window runs the exit button, which saves the schedule and quits.
    if (!m_closing) {
        m_closing = true;
        clickSafely(m_form, m_actions, u"Command3"_s);
    }
    event->accept();
}

} // namespace kazeyomi
