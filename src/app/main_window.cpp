#include "app/main_window.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QCoreApplication>
#include <QDialog>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QSplitter>
#include <QTabWidget>
#include <QTableView>
#include <QTimer>
#include <QVBoxLayout>

#include "foundation/card_files.h"
#include "foundation/controls.h"
#include "foundation/form_state.h"
#include "foundation/grid_layouts.h"
#include "session/form_actions.h"

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

} // namespace

MainWindow::MainWindow(FormState& form, FormActions& actions, QWidget* parent)
    : QMainWindow(parent), m_form(form), m_actions(actions)
{
    setObjectName(u"Form1"_s);
    setWindowTitle(kWindowTitle);

    auto* central = new QWidget;
    auto* layout = new QVBoxLayout(central);
    layout->setContentsMargins(6, 6, 6, 6);
    layout->addWidget(buildTop());

    auto* split = new QSplitter(Qt::Horizontal);
    auto* schedule = gridView(Grid::VSFlexGrid8);
    // The design widths are in twips for a 9-point Japanese system font; ours runs wider.
    const double scale = std::max(1.0, (schedule->fontMetrics().horizontalAdvance(u"15:10"_s) + 14) / 37.0);
    for (int c = 0; c < kScheduleColumns; ++c) {
        const int designPixels = kScheduleColumnTwips[size_t(c)] / 15; // whole pixels, as the design had them
        schedule->setColumnWidth(c, int(designPixels * scale));
    }
    schedule->setSelectionBehavior(QAbstractItemView::SelectRows);
    split->addWidget(schedule);
    split->addWidget(buildTabs());
    split->setStretchFactor(0, 3);
    split->setStretchFactor(1, 2);
    layout->addWidget(split, 1);
    layout->addWidget(buildBottom());
    setCentralWidget(central);

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
    connect(&m_form, &FormState::tabChanged, m_tabs, &QTabWidget::setCurrentIndex);
    connect(&m_form, &FormState::logged, m_log, [this](const QString& line) {
        m_log->addItem(line);
        m_log->scrollToBottom();
    });
    connect(&m_form, &FormState::noticeChanged, this, &MainWindow::showNotice);
    connect(&m_form, &FormState::startupControlsHiddenChanged, this, [this] {
        for (int i = 0; i < 10; ++i) {
            for (const auto& name : {u"Option1_%1"_s.arg(i), u"Check1_%1"_s.arg(i)})
                if (auto* w = findChild<QWidget*>(name))
                    w->setVisible(!m_form.startupControlsHidden());
        }
    });
    showVenueBoxes();
    showMeetings();
    showLamp(m_form.fetchLampRed());
    resize(1440, 900);
}

MainWindow::~MainWindow() = default;

QTableView* MainWindow::gridView(Grid grid)
{
    auto* view = new QTableView;
    GridModel* model = &m_form.grid(grid);
    view->setObjectName(gridName(grid));
    view->setModel(model);
    view->verticalHeader()->hide();
    QFont font = view->font();
    font.setPointSize(9);
    view->setFont(font);
    view->horizontalHeader()->setFont(font);
    view->verticalHeader()->setDefaultSectionSize(19);
    // Wide enough for the longest odds the sites show, "12,345.6".
    view->horizontalHeader()->setDefaultSectionSize(64);
    view->setEditTriggers(QAbstractItemView::NoEditTriggers);
    view->setAlternatingRowColors(true);
    connect(model, &GridModel::highlightChanged, view, [this, model, view] { showHighlight(model, view); });
    return view;
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
    for (int i = 0; i < FormState::kVenueBoxes; ++i) {
        auto* box = new QCheckBox;
        box->setObjectName(u"Check2_%1"_s.arg(i));
        connect(box, &QCheckBox::toggled, this, [this, i](bool on) { m_form.setVenueChecked(i, on); });
        m_venueBoxes[i] = box;
        venueRow->addWidget(box);
    }
    venueRow->addWidget(button(u"Command12"_s, u"Command12"_s));
    row->addWidget(venues);

    auto* intervals = frame(u"Frame3"_s, u"取得間隔"_s);
    auto* grid = new QGridLayout(intervals);
    grid->addWidget(textBox(Control::Text5[1], 36), 0, 0);
    grid->addWidget(label(u"Label3"_s, u"分から"_s), 0, 1);
    grid->addWidget(textBox(Control::Text5[5], 36), 0, 2);
    grid->addWidget(label(u"Label5"_s, u"分刻みに取得"_s), 0, 3);
    grid->addWidget(textBox(Control::Text5[2], 36), 1, 0);
    grid->addWidget(label(u"Label4"_s, u"分から"_s), 1, 1);
    grid->addWidget(textBox(Control::Text5[4], 36), 1, 2);
    grid->addWidget(label(u"Label6"_s, u"分刻みに取得"_s), 1, 3);
    grid->addWidget(textBox(Control::Text5[3], 36), 2, 2);
    grid->addWidget(label(u"Label7"_s, u"分刻みに取得"_s), 2, 3);
    grid->addWidget(label(u"Label9"_s, u"出走後"_s), 3, 0, 1, 2);
    grid->addWidget(textBox(Control::Text5[0], 36), 3, 2);
    grid->addWidget(label(u"Label8"_s, u"分毎"_s), 3, 3);
    row->addWidget(intervals);

    auto* run = new QVBoxLayout;
    auto* start = button(u"Command2"_s, u"開始"_s);
    start->setMinimumHeight(40);
    run->addWidget(start);
    run->addWidget(button(u"Command3"_s, u"終了"_s));
    row->addLayout(run);

    auto* current = new QGridLayout;
    m_label1 = label(Control::Label1, m_form.text(Control::Label1));
    m_label1->setMinimumWidth(60);
    QFont big = m_label1->font();
    big.setPointSize(big.pointSize() + 6);
    big.setBold(true);
    m_label1->setFont(big);
    current->addWidget(m_label1, 0, 0, 2, 1);
    current->addWidget(textBox(Control::Text7), 0, 1);
    current->addWidget(textBox(Control::Text8, 40), 0, 2);
    current->addWidget(textBox(Control::Text3, 40), 0, 3);
    current->addWidget(textBox(Control::Text9), 0, 4);
    m_lamp = label(u"Label2"_s, QString());
    m_lamp->setFixedSize(22, 22);
    m_lamp->setAutoFillBackground(true);
    current->addWidget(m_lamp, 1, 1);
    auto* url = textBox(Control::Text10, 420);
    url->setReadOnly(true);
    current->addWidget(url, 1, 2, 1, 3);
    row->addLayout(current);
    row->addStretch(1);
    return top;
}

QWidget* MainWindow::buildTabs()
{
    m_tabs = new QTabWidget;
    m_tabs->setObjectName(u"SSTab1"_s);
    for (const auto& design : tabDesigns()) {
        auto* page = new QWidget;
        auto* layout = new QVBoxLayout(page);
        layout->setContentsMargins(2, 2, 2, 2);
        // The result grid is only ever cleared: it gets no room to stretch.
        for (Grid grid : design.grids)
            layout->addWidget(gridView(grid), grid == Grid::VSFlexGrid15 ? 0 : 1);
        if (design.grids.empty())
            layout->addStretch(1);
        m_tabs->addTab(page, QString::fromUtf16(design.caption));
    }
    connect(m_tabs, &QTabWidget::currentChanged, this, [this](int index) {
        if (index != m_form.tab())
            m_form.setTab(index);
    });
    return m_tabs;
}

QWidget* MainWindow::buildBottom()
{
    auto* bottom = new QWidget;
    auto* row = new QHBoxLayout(bottom);
    row->setContentsMargins(0, 0, 0, 0);

    auto* logFrame = frame(u"Frame4"_s, u"取得ログ"_s);
    auto* logLayout = new QHBoxLayout(logFrame);
    m_log = new QListWidget;
    m_log->setObjectName(u"List1"_s);
    m_log->setMinimumWidth(460);
    logLayout->addWidget(m_log, 3);
    auto* list4 = new QListWidget;
    list4->setObjectName(u"List4"_s);
    logLayout->addWidget(list4, 1);
    row->addWidget(logFrame, 3);

    auto* card = new QVBoxLayout;
    auto* races = frame(u"Frame1"_s, u"Frame1"_s);
    auto* raceRow = new QHBoxLayout(races);
    for (int k = 0; k <= 10; ++k) {
        auto* option = new QRadioButton(QString::number(k + 1));
        option->setObjectName(u"Option2_%1"_s.arg(k));
        connect(option, &QRadioButton::clicked, this,
                [this, k] { clickSafely(m_form, m_actions, u"Option2_%1"_s.arg(k)); });
        raceRow->addWidget(option);
    }
    card->addWidget(races);
    auto* cardGrid = gridView(Grid::VSFlexGrid2);
    cardGrid->setMaximumHeight(150);
    // Names, owners and breeders are long: a captured card widens its columns to show them.
    connect(&m_form.grid(Grid::VSFlexGrid2), &QAbstractItemModel::dataChanged, cardGrid,
            [cardGrid] { QTimer::singleShot(0, cardGrid, [cardGrid] { cardGrid->resizeColumnsToContents(); }); });
    card->addWidget(cardGrid);
    auto* cardTexts = new QHBoxLayout;
    // The meeting whose race the buttons capture: it sets Text4 (its row) and Text2 (its code).
    m_meetings = new QComboBox;
    m_meetings->setObjectName(u"MeetingChoice"_s);
    m_meetings->setToolTip(u"出馬表を取得する開催"_s);
    connect(m_meetings, &QComboBox::activated, this,
            [this](int index) { chooseMeetingSafely(m_form, m_actions, index); });
    cardTexts->addWidget(m_meetings);
    for (const QString& name : {Control::Text1, Control::Text2, Control::Text4})
        cardTexts->addWidget(textBox(name));
    cardTexts->addWidget(textBox(Control::Text6, 240));
    cardTexts->addWidget(button(u"Command1"_s, u"Command1"_s));
    card->addLayout(cardTexts);
    row->addLayout(card, 4);

    auto* tests = new QGridLayout;
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
    row->addLayout(tests);

    // Controls of the original design that have no role; kept so the inventory is whole.
    auto* unused = new QWidget;
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
    row->addWidget(unused);
    return bottom;
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
