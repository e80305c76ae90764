#include "app/main_window.h"

#include <QAbstractButton>
#include <QChart>
#include <QChartView>
#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QLabel>
#include <QLineEdit>
#include <QLineSeries>
#include <QListWidget>
#include <QTabWidget>
#include <QTableView>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include "app/grid_display.h"
#include "demo/day_cards.h"
#include "demo/demo_day.h"
#include "demo/site_server.h"
#include "foundation/controls.h"
#include "foundation/form_state.h"
#include "foundation/grid_layouts.h"
#include "history/history_database.h"
#include "history/odds_series.h"
#include "session/form_actions.h"
#include "session/session.h"
#include "support/fake_clock.h"
#include "support/files.h"
#include "support/quiet_notifier.h"

using namespace kazeyomi;
using namespace Qt::StringLiterals;

namespace {

class RecordingActions final : public FormActions {
public:
    QStringList clicks;
    void click(const QString& control) override { clicks << control; }
    Outcome chooseMeeting(int index) override
    {
        clicks << u"meeting %1"_s.arg(index);
        return {};
    }
};

class Window : public ::testing::Test {
protected:
    FormState form;
    RecordingActions actions;
    MainWindow window{form, actions};

    template <typename T> T* control(const QString& name)
    {
        T* found = window.findChild<T*>(name);
        EXPECT_NE(found, nullptr) << name.toStdString();
        return found;
    }
};

} // namespace

TEST_F(Window, ShowsTheCoreStateAndForwardsClicksAndEdits)
{
    for (const GridLayout& layout : gridLayouts()) {
        if (auto* view = control<QTableView>(gridName(layout.grid))) {
            EXPECT_EQ(view->model(), &form.grid(layout.grid));
        }
    }
    for (const QString& name : Control::allTextControls()) {
        SCOPED_TRACE(name.toStdString());
        const QString value = u"set "_s + name;
        form.setText(name, value);
        auto* box = window.findChild<QLineEdit*>(name);
        auto* label = window.findChild<QLabel*>(name);
        ASSERT_TRUE(box || label);
        EXPECT_EQ(box ? box->text() : label->text(), value);
        if (!box || box->isReadOnly())
            continue;
        box->setFocus();
        box->selectAll();
        box->insert(u"typed"_s);
        EXPECT_EQ(form.text(name), u"typed"_s);
    }
    form.setVenueBox(0, {true, u"大井"_s, true});
    auto* box = control<QCheckBox>(u"Check2_0"_s);
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(box->text(), u"大井"_s);
    EXPECT_TRUE(box->isChecked());
    box->click();
    EXPECT_FALSE(form.venueBox(0).checked);

    control<QAbstractButton>(u"Command2"_s)->click();
    control<QAbstractButton>(u"Command12"_s)->click();
    EXPECT_EQ(actions.clicks, (QStringList{u"Command2"_s, u"Command12"_s}));
    form.setTab(8);
    EXPECT_EQ(control<QTabWidget>(u"SSTab1"_s)->currentIndex(), 8);
    form.hideStartupControls();
    EXPECT_TRUE(control<QWidget>(u"Option1_0"_s)->isHidden());
}

namespace {

// The window on a small day served by the local site: 大井 1R, and 川崎 1R whose pages the
// site does not have, both at 14:00; the polling ticks on a fixed clock.
class WindowOnRaceDay : public ::testing::Test {
protected:
    test::QuietNotifier notifier;
    QTemporaryDir base;
    std::shared_ptr<test::FakeClock> clock =
        std::make_shared<test::FakeClock>(QDateTime(QDate(2025, 12, 5), QTime(13, 58, 30)));
    DemoDay day{*clock, QDateTime(QDate(2025, 12, 5), QTime(14, 0)), {{u"大井"_s, 1}, {u"川崎"_s, 1}}, 10};
    SiteServer server;
    std::unique_ptr<Session> session;
    std::unique_ptr<MainWindow> window;

    void SetUp() override
    {
        ASSERT_TRUE(server.listen());
        const QString downId = day.races()[1].pageId;
        server.setHandler([this, downId](const QString& target) -> std::optional<SiteResponse> {
            if (target.contains(downId))
                return std::nullopt;
            return day.respond(target);
        });
        Settings settings;
        settings.baseDir = base.filePath(u"uma"_s);
        settings.appDir = base.filePath(u"app"_s);
        settings.siteUrl = server.baseUrl();
        session = std::make_unique<Session>(settings, notifier, clock);
        window = std::make_unique<MainWindow>(session->form(), *session, &session->watch());
        ASSERT_EQ(writeDayCards(base.filePath(u"uma/nsdat2/251205"_s), day.cardMeetings(), settings.siteUrl).error,
                  QString());
        ASSERT_TRUE(session->start().ok());
        window->show();
        session->click(u"Command2"_s);
    }
    // What the armed one-second timer would do, 15 seconds at a time.
    void pollUntil(const QTime& until)
    {
        while (clock->now().time() < until) {
            clock->advance(15);
            session->poll().Timer1_Timer();
        }
    }
    template <typename T> T* control(const QString& name) { return window->findChild<T*>(name); }
    // The colour an empty cell of the row is painted with.
    QColor rowColour(int row)
    {
        auto* view = control<QTableView>(u"VSFlexGrid8"_s);
        const QRect cell = view->visualRect(view->model()->index(row - 1, 4));
        return view->viewport()->grab().toImage().pixelColor(cell.center());
    }
};

} // namespace

TEST_F(WindowOnRaceDay, ShowsTheScheduleTheTickedVenuesAndTheMeetingTheRaceButtonsCapture)
{
    auto* schedule = control<QTableView>(u"VSFlexGrid8"_s);
    ASSERT_NE(schedule, nullptr);
    EXPECT_EQ(schedule->model()->rowCount(), 2);
    EXPECT_EQ(schedule->model()->index(1, 1).data().toString(), u"川崎"_s);
    EXPECT_EQ(schedule->model()->headerData(11, Qt::Horizontal).toString(), u"NEXT TIME"_s);
    for (int i = 0; i < 3; ++i) {
        auto* box = control<QCheckBox>(u"Check2_%1"_s.arg(i));
        EXPECT_EQ(box->isChecked() && !box->isHidden(), i < 2);
    }
    EXPECT_EQ(control<QCheckBox>(u"Check2_1"_s)->text(), u"川崎"_s);
    EXPECT_TRUE(control<QDialog>(u"Form2"_s)->isHidden()); // the notice is closed again

    // The race buttons capture for the first meeting until another is chosen.
    auto* meetings = control<QComboBox>(u"MeetingChoice"_s);
    ASSERT_NE(meetings, nullptr);
    ASSERT_EQ(meetings->count(), 2);
    EXPECT_EQ(meetings->itemText(1), u"川崎 (1R)"_s);
    EXPECT_EQ(meetings->currentIndex(), 0);
    EXPECT_EQ(session->form().text(Control::Text4), u"1"_s);
    EXPECT_EQ(session->form().text(Control::Text2), u"20"_s);
    meetings->setCurrentIndex(1);
    Q_EMIT meetings->activated(1);
    EXPECT_EQ(session->form().text(Control::Text4), u"2"_s);
    EXPECT_EQ(session->form().text(Control::Text2), u"21"_s);
}

TEST_F(WindowOnRaceDay, TheFollowSwitchKeepsTheTabTheUserChoseThroughACycle)
{
    auto* tabs = control<QTabWidget>(u"SSTab1"_s);
    auto* follow = control<QCheckBox>(u"FollowFetch"_s);
    ASSERT_TRUE(tabs && follow);
    EXPECT_TRUE(follow->isChecked());
    tabs->setCurrentIndex(5);
    pollUntil(QTime(13, 59, 15));
    ASSERT_GT(session->watch().totals().fetches, 0);
    EXPECT_NE(session->form().tab(), 5);
    EXPECT_EQ(tabs->currentIndex(), session->form().tab()); // following: the cycle's last tab

    follow->setChecked(false);
    tabs->setCurrentIndex(3);
    const int fetches = session->watch().totals().fetches;
    pollUntil(QTime(14, 0, 15));
    ASSERT_GT(session->watch().totals().fetches, fetches);
    EXPECT_EQ(tabs->currentIndex(), 3);
    EXPECT_NE(session->form().tab(), 3); // the cycle still set its tab state

    follow->setChecked(true);
    EXPECT_EQ(tabs->currentIndex(), session->form().tab());
}

TEST_F(WindowOnRaceDay, TheStatusBarTheRowsAndTheLogFollowAFailingRaceAndARaceWithItsResult)
{
    pollUntil(QTime(14, 4, 30));
    RaceWatch& watch = session->watch();
    const RaceWatch::RowStatus result = watch.status(1);
    const RaceWatch::RowStatus failing = watch.status(2);
    EXPECT_EQ(result.state, RaceWatch::RowState::ResultIn) << result.lastOutcome.toStdString();
    EXPECT_EQ(failing.state, RaceWatch::RowState::Failing);
    EXPECT_EQ(failing.failingSince.time(), QTime(13, 59, 15)); // its first fetch
    EXPECT_TRUE(failing.lastOutcome.contains(u"the win/place odds page"_s)) << failing.lastOutcome.toStdString();
    EXPECT_EQ(rowColour(1), stateColour(RaceWatch::RowState::ResultIn));
    EXPECT_EQ(rowColour(2), stateColour(RaceWatch::RowState::Failing));

    EXPECT_EQ(control<QLabel>(u"StatusClock"_s)->text(), u"14:04:30"_s);
    // 川崎 fetched at 13:59:15, 14:00:15, then every 2 minutes after the post: 14:02:15, 14:04:15.
    EXPECT_EQ(control<QLabel>(u"StatusFailures"_s)->text(), u"失敗 4 (10分)"_s);
    EXPECT_TRUE(control<QLabel>(u"StatusLastFetch"_s)->text().contains(u"14:04"_s));
    EXPECT_EQ(control<QLabel>(u"StatusNext"_s)->text(), u"次: 川崎 1R 14:00  14:06 (1:30)"_s);
    // The latest warning stays in the status line, named by its race.
    EXPECT_TRUE(control<QLabel>(u"StatusWarning"_s)->text().startsWith(u"川崎 1R 14:00  the win/place odds page"_s))
        << control<QLabel>(u"StatusWarning"_s)->text().toStdString();

    // The log, newest first: one line per failed fetch of 川崎, named and without its address.
    auto* log = control<QListWidget>(u"List1"_s);
    EXPECT_EQ(log->findItems(u"  川崎 1R 14:00  "_s, Qt::MatchContains).size(), watch.totals().fetches - 4);
    EXPECT_EQ(log->findItems(u"  川崎 1R 14:00  the win/place odds page: "_s, Qt::MatchContains).size(),
              watch.totals().fetches - 4);
    EXPECT_TRUE(log->findItems(u"http"_s, Qt::MatchContains | Qt::MatchCaseSensitive).isEmpty());
    EXPECT_TRUE(log->item(0)->text() >= log->item(log->count() - 1)->text());
    EXPECT_TRUE(log->findItems(u"大井 1R 14:00  result in"_s, Qt::MatchContains).size() == 1);
}

TEST_F(WindowOnRaceDay, TheChartDrawsEachHorsesWinOddsOfTheRaceShownAfterEachCycle)
{
    for (int i = 0; i < FormState::kVenueBoxes; ++i)
        if (session->form().venueBox(i).caption == u"川崎"_s)
            session->form().setVenueChecked(i, false);
    auto* view = control<QChartView>(u"OddsChart"_s);
    ASSERT_NE(view, nullptr);
    for (const auto& [until, fetches] : {std::pair{QTime(13, 59, 15), 1}, std::pair{QTime(14, 0, 15), 2}}) {
        pollUntil(until);
        ASSERT_TRUE(window->oddsTitle().startsWith(u"大井 1R 14:00"_s)) << window->oddsTitle().toStdString();
        HistoryDatabase db(session->watch().historyPath(), true);
        ASSERT_TRUE(db.ok()) << db.error().toStdString();
        const WinOddsSeries stored = winOddsSeries(db.database(), u"大井"_s, 1);
        const DemoRace& race = day.races()[0];
        ASSERT_EQ(stored.horses.size(), race.runners);
        std::map<QString, QLineSeries*> drawn;
        QStringList others;
        for (QAbstractSeries* series : view->chart()->series()) {
            if (series->name().startsWith(u"発走"_s) || series->name() == u"急変"_s)
                others << series->name();
            else if (auto* line = qobject_cast<QLineSeries*>(series))
                drawn[line->name().left(2)] = line;
        }
        EXPECT_EQ(others, QStringList{u"発走 14:00"_s});
        ASSERT_EQ(drawn.size(), size_t(race.runners));
        for (const HorseOdds& horse : stored.horses) {
            SCOPED_TRACE(horse.horse.toStdString());
            const bool scratched = race.scratched.contains(horse.horse.toInt());
            EXPECT_EQ(horse.scratched, scratched);
            ASSERT_TRUE(drawn[horse.horse]);
            EXPECT_EQ(drawn[horse.horse]->name().endsWith(u"取消"_s), scratched);
            ASSERT_EQ(horse.points.size(), scratched ? 0 : fetches);
            QList<QPointF> points;
            for (const OddsPoint& p : horse.points)
                points << QPointF(double(p.at.toMSecsSinceEpoch()), p.odds);
            EXPECT_EQ(drawn[horse.horse]->points(), points);
        }
    }
}

TEST_F(Window, FitsA1366By768ScreenWithEveryButtonOnIt)
{
    const QSize opening = MainWindow::openingSize(QSize(1366, 768 - 28)); // less a taskbar
    EXPECT_LE(opening.width(), 1366);
    EXPECT_LE(opening.height(), 740);
    EXPECT_LE(window.minimumSizeHint().width(), opening.width());
    EXPECT_LE(window.minimumSizeHint().height(), opening.height());
    // At 200 % the same screen is 683 × 384 points: the window still opens within it.
    const QSize doubled = MainWindow::openingSize(QSize(683, 384 - 14));
    EXPECT_LE(window.minimumSizeHint().width(), doubled.width());
    EXPECT_LE(window.minimumSizeHint().height(), doubled.height());
    window.resize(opening);
    window.show();
    EXPECT_EQ(window.size(), opening);
    for (auto* widget : window.findChildren<QWidget*>()) {
        if (!widget->isVisible() || !(qobject_cast<QAbstractButton*>(widget) || qobject_cast<QTableView*>(widget) ||
                                      qobject_cast<QListWidget*>(widget) || qobject_cast<QLineEdit*>(widget)))
            continue;
        const QRect inWindow(widget->mapTo(&window, QPoint(0, 0)), widget->size());
        EXPECT_TRUE(window.rect().contains(inWindow)) << widget->objectName().toStdString();
    }
}
