// A whole day in small: two meetings, the local site server with generated pages, and the
// polling cycle ticked on a fixed clock, down to the files other programs read.
#include <QDir>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include "demo/demo_day.h"
#include "demo/site_server.h"
#include "foundation/grid_layouts.h"
#include "foundation/notifier.h"
#include "foundation/text_codec.h"
#include "schedule/schedule_grid.h"
#include "session/session.h"
#include "support/fake_clock.h"
#include "support/files.h"

using namespace kazeyomi;
using namespace Qt::StringLiterals;

namespace {

class SilentNotifier final : public Notifier {
public:
    QStringList told;
    void tell(const QString& title, const QString& text) override { told << title + u": "_s + text; }
    bool ask(const QString&, const QString&) override { return false; }
};

class RaceDay : public ::testing::Test {
protected:
    QTemporaryDir base;
    std::shared_ptr<test::FakeClock> clock =
        std::make_shared<test::FakeClock>(QDateTime(QDate(2025, 12, 5), QTime(13, 58, 30)));
    DemoDay day{*clock, QDateTime(QDate(2025, 12, 5), QTime(14, 0)), {{u"大井"_s, 2}, {u"川崎"_s, 2}}, 10};
    SiteServer server;
    SilentNotifier notifier;
    std::unique_ptr<Session> session;
    std::vector<std::pair<QString, QString>> fetches; // clock time, "venue race"

    void SetUp() override
    {
        ASSERT_TRUE(server.listen());
        server.setHandler([this](const QString& target) { return day.respond(target); });
        Settings settings;
        settings.baseDir = base.filePath(u"uma"_s);
        settings.appDir = base.filePath(u"app"_s);
        settings.siteUrl = server.baseUrl();
        settings.timeoutMs = 5000;
        session = std::make_unique<Session>(settings, notifier, clock);
        const QString card = QDir(settings.baseDir).filePath(u"nsdat2/251205"_s);
        ASSERT_EQ(writeDayCards(card, day.cardMeetings(), settings.siteUrl).error, QString());
        ASSERT_TRUE(session->start().ok());
        QObject::connect(&session->poll(), &PollCycle::raceFetched, [this](const RaceOutcome& o) {
            fetches.emplace_back(clock->now().toString(u"HH:mm"_s), u"%1 %2"_s.arg(o.venue).arg(o.race));
        });
    }
    // What the armed one-second timer would do, 15 seconds at a time.
    void pollUntil(const QTime& until)
    {
        while (clock->now().time() < until) {
            clock->advance(15);
            session->poll().Timer1_Timer();
        }
    }
    QString odds(const QString& name) const
    {
        return fromCp932(test::readBytes(base.filePath(u"uma/dat2/251205/"_s + name)));
    }
    QStringList fetchTimes(const QString& race) const
    {
        QStringList times;
        for (const auto& [at, what] : fetches)
            if (what == race)
                times << at;
        return times;
    }
};

} // namespace

TEST_F(RaceDay, PollsBothMeetingsIntoTheirOwnFilesUntilEachResultIsIn)
{
    session->click(u"Command2"_s);
    pollUntil(QTime(14, 20));

    // Each race's history holds its own field: as many odds as its runners, the rest "0.0".
    for (const DemoRace& race : day.races()) {
        SCOPED_TRACE((race.venue + QString::number(race.race)).toStdString());
        const QString key = race.venue + twoDigitRace(race.race);
        const QStringList lines = odds(key + u".tanA"_s).split(u"\r\n"_s, Qt::SkipEmptyParts);
        ASSERT_FALSE(lines.isEmpty());
        const QString first = lines.first();
        ASSERT_EQ(first.size(), 5 + 16 * 8);
        int runners = 0;
        for (int h = 0; h < 16; ++h)
            runners += first.mid(5 + h * 8, 8) != u"     0.0"_s ? 1 : 0;
        EXPECT_EQ(runners, race.runners);
        EXPECT_EQ(odds(key + u".Fuk1"_s).count(u"\r\n"_s), lines.size());
        // The result came three minutes after the post and ends the polling of the row.
        const QStringList jyun = odds(key + u".jyun"_s).split(u"\r\n"_s);
        EXPECT_NE(jyun.first().trimmed(), QString());
        EXPECT_TRUE(odds(key + u".sei"_s).contains(u"円"_s));
    }
    const GridModel& schedule = session->form().grid(Grid::VSFlexGrid8);
    for (int r = 1; r < schedule.rows(); ++r) {
        EXPECT_EQ(schedule.textMatrix(r, ScheduleColumn::Countdown), ScheduleValue::kStopped) << r;
        EXPECT_EQ(schedule.textMatrix(r, ScheduleColumn::State), FetchState::kComplete) << r;
    }
    EXPECT_EQ(session->poll().activeRows(), 0);
    // The second meeting's races were fetched with their own page ids.
    EXPECT_NE(odds(u"川崎01.tanA"_s).left(40), odds(u"大井01.tanA"_s).left(40));
    EXPECT_TRUE(notifier.told.isEmpty());
}

TEST_F(RaceDay, AfterThePostARaceIsFetchedEveryTwoMinutesUntilItsResultThenNoMore)
{
    session->click(u"Command2"_s);
    pollUntil(QTime(14, 12));
    // Post 14:00, result page complete from 14:03: fetched at 14:02 (none yet) and 14:04 (in).
    const QStringList times = fetchTimes(u"大井 1"_s);
    ASSERT_GE(times.size(), 3);
    EXPECT_EQ(times.mid(times.size() - 3), (QStringList{u"14:00"_s, u"14:02"_s, u"14:04"_s}));
    const QString jyun = odds(u"大井01.jyun"_s);
    EXPECT_EQ(jyun.count(u"\r\n"_s), 20);
    EXPECT_EQ(session->form().grid(Grid::VSFlexGrid8).textMatrix(1, ScheduleColumn::Countdown),
              ScheduleValue::kStopped);
}
