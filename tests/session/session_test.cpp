// The session as the window and the headless mode drive it: what a click may do while a
// race's pages are being fetched, and the test buttons on a day too short for them.
#include "session/session.h"

#include <functional>

#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include "demo/odds_pages.h"
#include "demo/pair_pages.h"
#include "demo/result_pages.h"
#include "demo/triple_pages.h"
#include "foundation/controls.h"
#include "foundation/grid_layouts.h"
#include "results/seiseki_scraper.h"
#include "schedule/schedule_grid.h"
#include "support/card_folder.h"
#include "support/fake_clock.h"
#include "support/fake_page_source.h"
#include "support/quiet_notifier.h"
#include "support/race_pages.h"

using namespace kazeyomi;
using namespace Qt::StringLiterals;

namespace {

// A site whose first answer is delayed by what the user does meanwhile: `whileWaiting`
// runs inside the wait, as window events do while a page is on its way.
class WaitingSite final : public PageSource {
public:
    explicit WaitingSite(test::FakePageSource& site) : m_site(site) {}
    std::function<void()> whileWaiting;

    FetchResult get(const QString& url, const QList<QPair<QByteArray, QByteArray>>& headers) override
    {
        if (auto run = std::exchange(whileWaiting, nullptr))
            run();
        return m_site.get(url, headers);
    }

private:
    test::FakePageSource& m_site;
};

class SessionTest : public ::testing::Test {
protected:
    QTemporaryDir base;
    std::shared_ptr<test::FakeClock> clock =
        std::make_shared<test::FakeClock>(QDateTime(QDate(2025, 12, 5), QTime(13, 30, 30)));
    test::QuietNotifier notifier{true};
    test::FakePageSource site;
    WaitingSite* waiting = nullptr;
    std::unique_ptr<Session> session;

    void startDay(int races, const QString& firstPost = u"15:00"_s, const QString& idBase = u"KW"_s)
    {
        Settings settings;
        settings.baseDir = base.filePath(u"uma"_s);
        settings.appDir = base.filePath(u"app"_s);
        settings.siteUrl = u"https://site.test"_s;
        test::writeCardFolder(base.filePath(u"uma/nsdat2/251205"_s), {{u"kw"_s, u"川崎"_s, races, firstPost, idBase}});
        auto pages = std::make_unique<WaitingSite>(site);
        waiting = pages.get();
        session = std::make_unique<Session>(settings, notifier, clock, nullptr, std::move(pages));
        ASSERT_TRUE(session->start().ok());
    }
    FormState& form() { return session->form(); }
    QString cell(int row, int col) { return form().grid(Grid::VSFlexGrid8).textMatrix(row, col); }
    int requestsFor(const QString& id)
    {
        int n = 0;
        for (const QString& url : site.requested)
            n += url.contains(u"/odds/"_s + id) || url.contains(u"/result/"_s + id) ? 1 : 0;
        return n;
    }
    int logLinesWith(const QString& text)
    {
        int n = 0;
        for (const QString& line : form().fetchLog())
            n += line.contains(text) ? 1 : 0;
        return n;
    }
};

} // namespace

TEST_F(SessionTest, AClickThatWouldChangeTheRaceBeingFetchedIsRefused)
{
    startDay(11);
    QString venueSeen;
    QString raceSeen;
    const QStringList refused = {u"Command9"_s, u"Command5"_s,  u"Command6"_s,
                                 u"Command7"_s, u"Command11"_s, u"Option2_3"_s};
    waiting->whileWaiting = [&] {
        for (const QString& control : refused + QStringList{u"Command2"_s, u"Command12"_s})
            session->click(control);
        venueSeen = form().text(Control::Text7) + form().text(Control::Label1);
        raceSeen = form().text(Control::Text8) + form().text(Control::Text3);
    };
    const RaceOutcome outcome = session->races().Race_get(u"川崎"_s, 7, 7);

    EXPECT_EQ(venueSeen, u"川崎川崎"_s);
    EXPECT_EQ(raceSeen, u"077"_s);
    for (const QString& control : refused)
        EXPECT_EQ(logLinesWith(control + u" is refused: 川崎 7R is being fetched"_s), 1) << control.toStdString();
    EXPECT_FALSE(QFile::exists(base.filePath(u"uma/dat2/251205/大井03.sei"_s)));
    EXPECT_EQ(form().race.resultTestFlag, 0);
    EXPECT_EQ(requestsFor(u"KW10"_s), 0); // Command5 started no fetch of its own
    // The start button, the venue boxes and the window itself keep working.
    EXPECT_EQ(logLinesWith(u"Command2 is refused"_s), 0);
    EXPECT_EQ(logLinesWith(u"Command12 is refused"_s), 0);
    EXPECT_EQ(form().timer1Interval(), 1000);
    EXPECT_EQ(outcome.venue, u"川崎"_s);

    // Once the fetch is over the same button runs.
    session->click(u"Command9"_s);
    EXPECT_EQ(form().text(Control::Text7), u"大井"_s);
    EXPECT_TRUE(QFile::exists(base.filePath(u"uma/dat2/251205/大井03.sei"_s)));
}

// On a day of two races: a test button without its row, controls that do not exist, a click
// that fails inside; each is logged once and the program goes on.
TEST_F(SessionTest, AClickThatCannotRunIsLoggedAndTheProgramGoesOn)
{
    startDay(2);
    // The window's own controls are known, even those with nothing to do here.
    for (const QString& control : {u"Command5"_s, u"Command13"_s, u"command2"_s, u"Option2_12"_s, u"Command1"_s,
                                   u"Command4"_s, u"Option2_0"_s, u"Option2_11"_s, u"Command11"_s})
        session->click(control);
    EXPECT_TRUE(site.requested.isEmpty());
    EXPECT_EQ(form().race.resultTestFlag, 1);
    form().grid(Grid::VSFlexGrid16).setCols(1); // the payout cells the result test reads are gone
    session->click(u"Command9"_s);
    session->click(u"Command2"_s);
    EXPECT_TRUE(session->poll().armed());
    for (const auto& [words, times] : {std::pair{u"no row 10"_s, 1},
                                       {u"Command13: there is no such control"_s, 1},
                                       {u"command2: there is no such control"_s, 1},
                                       {u"Option2_12: there is no such control"_s, 1},
                                       {u"no such control"_s, 3},
                                       {u"Command9 failed: VSFlexGrid16: cell"_s, 1}})
        EXPECT_EQ(logLinesWith(words), times) << words.toStdString();
}

TEST_F(SessionTest, ARaceWhoseFetchEndsAfterMidnightIsWrittenUnderTheDayPolled)
{
    const QString code = u"202512052101"_s;
    WinPlacePage race;
    race.venue = u"川崎"_s;
    race.raceCode = code;
    race.runners = sampleRunners(8);
    for (const auto& [path, body] : test::racePages(race))
        site.setPage(u"https://site.test"_s + path, body, kOddsPageContentType);
    clock->set(QDateTime(QDate(2025, 12, 5), QTime(23, 58, 30)));
    startDay(1, u"23:50"_s, u"2025120521"_s);
    session->click(u"Command2"_s); // next fetch 23:59
    clock->set(QDateTime(QDate(2025, 12, 5), QTime(23, 59, 57)));
    waiting->whileWaiting = [&] { clock->advance(6); }; // the first page answers after midnight
    session->poll().Timer1_Timer();
    ASSERT_EQ(session->saveSchedule().error, QString());

    const QStringList written = QDir(base.filePath(u"uma/dat2/251205"_s)).entryList({u"川崎01.*"_s}, QDir::Files);
    EXPECT_TRUE(QFile::exists(base.filePath(u"uma/dat2/251205/kazeyomi.sqlite"_s)));
    EXPECT_EQ(written.size(), 11) << written.join(u' ').toStdString() << form().fetchLog().join(u'\n').toStdString();
    EXPECT_TRUE(written.contains(u"川崎01.3tan"_s));
    EXPECT_TRUE(QFile::exists(base.filePath(u"uma/nsdat2/251205/Grid8.dat"_s)));
    EXPECT_FALSE(QFileInfo::exists(base.filePath(u"uma/dat2/251206"_s)));
    EXPECT_FALSE(QFileInfo::exists(base.filePath(u"uma/nsdat2/251206"_s)));
}

// An idle run wakes for nothing but its one-second tick where no companion window can be.
TEST_F(SessionTest, ThePopupCloserRunsOnlyWhereThereAreWindowsToLookAt)
{
    startDay(1);
#ifdef Q_OS_WIN
    EXPECT_TRUE(session->popupCloserRunning());
#else
    EXPECT_FALSE(session->popupCloserRunning());
#endif
}
