#include "app/main_window.h"

#include <QAbstractButton>
#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QDir>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QTabWidget>
#include <QTableView>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include "foundation/controls.h"
#include "foundation/form_state.h"
#include "foundation/grid_layouts.h"
#include "foundation/notifier.h"
#include "session/form_actions.h"
#include "session/session.h"

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

TEST_F(Window, HasEveryControlWithItsDesignCaption)
{
    EXPECT_EQ(window.windowTitle(), u"Kazeyomi for 地方競馬V4.17 2025_10"_s);
    const std::pair<const char16_t*, const char16_t*> buttons[] = {
        {u"Command1", u"Command1"},
        {u"Command2", u"開始"},
        {u"Command3", u"終了"},
        {u"Command4", u"Command4"},
        {u"Command5", u"タイマーテストルーチン"},
        {u"Command6", u"save"},
        {u"Command7", u"load"},
        {u"Command8", u"3連単変換テスト"},
        {u"Command9", u"成績変換テスト"},
        {u"Command10", u"取得テスト"},
        {u"Command11", u"Command11"},
        {u"Command12", u"Command12"},
    };
    for (const auto& [name, caption] : buttons) {
        if (auto* b = control<QAbstractButton>(QString::fromUtf16(name))) {
            EXPECT_EQ(b->text(), QString::fromUtf16(caption));
        }
    }
    const std::pair<const char16_t*, const char16_t*> frames[] = {{u"Frame1", u"Frame1"},
                                                                  {u"Frame2", u"取得場名"},
                                                                  {u"Frame3", u"取得間隔"},
                                                                  {u"Frame4", u"取得ログ"},
                                                                  {u"Frame5", u"開催場選択"}};
    for (const auto& [name, caption] : frames) {
        if (auto* f = control<QGroupBox>(QString::fromUtf16(name))) {
            EXPECT_EQ(f->title(), QString::fromUtf16(caption));
        }
    }
    const std::pair<QString, const char16_t*> texts[] = {
        {Control::Text1, u"Text1"}, {Control::Text3, u"Text2"}, {Control::Text9, u"Text9"}, {Control::Text5[0], u"2"},
        {Control::Text5[1], u"60"}, {Control::Text5[2], u"20"}, {Control::Text5[3], u"1"},  {Control::Text5[4], u"4"},
        {Control::Text5[5], u"10"}, {Control::Text10, u""}};
    for (const auto& [name, text] : texts) {
        if (auto* t = control<QLineEdit>(name)) {
            EXPECT_EQ(t->text(), QString::fromUtf16(text));
        }
    }
    for (int i = 0; i <= 10; ++i) {
        if (auto* o = control<QAbstractButton>(u"Option2_%1"_s.arg(i))) {
            EXPECT_EQ(o->text(), QString::number(i + 1));
        }
    }
    for (const GridLayout& layout : gridLayouts()) {
        if (auto* view = control<QTableView>(gridName(layout.grid))) {
            EXPECT_EQ(view->model(), &form.grid(layout.grid));
        }
    }
    for (const auto* name : {"Label1", "Label2", "Label3", "Label9", "List1", "List4", "Timer1", "Timer2",
                             "WebBrowser1", "WebBrowser2", "Check1_11", "Option1_9", "List2", "List3"})
        control<QObject>(QString::fromLatin1(name));
    auto* tabs = control<QTabWidget>(u"SSTab1"_s);
    ASSERT_NE(tabs, nullptr);
    ASSERT_EQ(tabs->count(), 10);
    EXPECT_EQ(tabs->tabText(0), u"単・複"_s);
    EXPECT_EQ(tabs->tabText(9), u"出走成績"_s);
}

TEST_F(Window, ShowsTheCoreStateAndForwardsClicksAndEdits)
{
    form.setVenueBox(0, {true, u"大井"_s, true});
    auto* box = control<QCheckBox>(u"Check2_0"_s);
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(box->text(), u"大井"_s);
    EXPECT_TRUE(box->isChecked());
    box->click();
    EXPECT_FALSE(form.venueBox(0).checked);

    form.setText(Control::Label1, u"川崎"_s);
    EXPECT_EQ(control<QLabel>(Control::Label1)->text(), u"川崎"_s);
    auto* interval = control<QLineEdit>(Control::Text5[0]);
    interval->setFocus();
    interval->selectAll();
    interval->insert(u"3"_s);
    EXPECT_EQ(form.text(Control::Text5[0]), u"3"_s);

    control<QAbstractButton>(u"Command2"_s)->click();
    control<QAbstractButton>(u"Command12"_s)->click();
    EXPECT_EQ(actions.clicks, (QStringList{u"Command2"_s, u"Command12"_s}));

    form.setTab(8);
    EXPECT_EQ(control<QTabWidget>(u"SSTab1"_s)->currentIndex(), 8);
    form.log(u"fetch failed"_s);
    form.hideStartupControls();
    EXPECT_TRUE(control<QWidget>(u"Option1_0"_s)->isHidden());
}

TEST_F(Window, BindsEveryTextControlBothWays)
{
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
}

TEST(WindowOnSampleDay, ShowsTheScheduleAndTheTickedVenuesAfterStartUp)
{
    class Quiet final : public Notifier {
    public:
        void tell(const QString&, const QString&) override {}
        bool ask(const QString&, const QString&) override { return false; }
    } notifier;
    // A copy of the sample day: start-up makes folders beside the cards.
    QTemporaryDir base;
    const QDir sample(QStringLiteral(KAZEYOMI_SAMPLES_DIR "/uma/nsdat2/251205"));
    QDir().mkpath(base.filePath(u"uma/nsdat2/251205"_s));
    for (const QString& name : sample.entryList(QDir::Files))
        QFile::copy(sample.filePath(name), base.filePath(u"uma/nsdat2/251205/"_s + name));
    Settings settings;
    settings.baseDir = base.filePath(u"uma"_s);
    settings.appDir = base.filePath(u"app"_s);
    settings.now = QDateTime(QDate(2025, 12, 5), QTime(10, 0));
    Session session(settings, notifier);
    MainWindow window(session.form(), session);
    ASSERT_TRUE(session.start().ok());

    auto* schedule = window.findChild<QTableView*>(u"VSFlexGrid8"_s);
    ASSERT_NE(schedule, nullptr);
    EXPECT_EQ(schedule->model()->rowCount(), 23);
    EXPECT_EQ(schedule->model()->index(12, 1).data().toString(), u"川崎"_s);
    EXPECT_EQ(schedule->model()->headerData(11, Qt::Horizontal).toString(), u"NEXT TIME"_s);
    for (int i = 0; i < 2; ++i) {
        auto* box = window.findChild<QCheckBox*>(u"Check2_%1"_s.arg(i));
        EXPECT_TRUE(box->isChecked() && !box->isHidden());
    }
    EXPECT_EQ(window.findChild<QCheckBox*>(u"Check2_0"_s)->text(), u"大井"_s);
    EXPECT_TRUE(window.findChild<QCheckBox*>(u"Check2_2"_s)->isHidden());
    EXPECT_TRUE(window.findChild<QDialog*>(u"Form2"_s)->isHidden()); // the notice is closed again

    // The race buttons capture for the first meeting until another is chosen.
    auto* meetings = window.findChild<QComboBox*>(u"MeetingChoice"_s);
    ASSERT_NE(meetings, nullptr);
    ASSERT_EQ(meetings->count(), 2);
    EXPECT_EQ(meetings->itemText(1), u"川崎 (11R)"_s);
    EXPECT_EQ(meetings->currentIndex(), 0);
    EXPECT_EQ(session.form().text(Control::Text4), u"1"_s);
    EXPECT_EQ(session.form().text(Control::Text2), u"20"_s);
    meetings->setCurrentIndex(1);
    Q_EMIT meetings->activated(1);
    EXPECT_EQ(session.form().text(Control::Text4), u"2"_s);
    EXPECT_EQ(session.form().text(Control::Text2), u"21"_s);
}
