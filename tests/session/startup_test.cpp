#include "session/startup.h"

#include <algorithm>
#include <functional>
#include <map>

#include <QDir>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include "foundation/card_files.h"
#include "foundation/controls.h"
#include "foundation/day_folders.h"
#include "foundation/form_state.h"
#include "foundation/grid_layouts.h"
#include "foundation/text_codec.h"
#include "schedule/schedule_grid.h"
#include "support/card_folder.h"
#include "support/fake_clock.h"
#include "support/files.h"

using namespace kazeyomi;
using namespace Qt::StringLiterals;

namespace {

bool anyLineHas(const QString& message, const QString& a, const QString& b)
{
    const QStringList lines = message.split(u'\n');
    return std::any_of(lines.begin(), lines.end(), [&](const QString& l) { return l.contains(a) && l.contains(b); });
}

} // namespace

TEST(CardFiles, EachFieldReaderTakesWhatItMayAndRefusesTheRest)
{
    const auto yes = [](bool ok) { return ok ? u"yes"_s : u"no"_s; };
    const std::map<QString, std::function<QString(const QString&)>> readers = {
        {u"venue"_s, [](const QString& t) { return venueFromTitle(t).value_or(u"-"_s); }},
        {u"post"_s, [](const QString& t) { return postTimeFromTitle(t); }},
        {u"page id"_s, [](const QString& t) { return pageIdFromUrl(t).value_or(u"-"_s); }},
        {u"time of day"_s, [&](const QString& t) { return yes(isTimeOfDay(t)); }},
        {u"safe venue"_s, [&](const QString& t) { return yes(isSafeVenueName(t)); }},
        {u"safe page id"_s, [&](const QString& t) { return yes(isSafePageId(t)); }},
    };
    for (const QStringList& r : test::dataRows(u"card_fields.tsv"_s))
        EXPECT_EQ(readers.at(r[0])(r[1]), r[2]) << r[0].toStdString() << " \"" << r[1].toStdString() << '"';
}

TEST(Startup, TwoMeetingsFillTheScheduleInFileOrderWithATickedBoxEach)
{
    QTemporaryDir dir;
    test::FakeClock clock{QDateTime(QDate(2025, 12, 5), QTime(9, 0))};
    const DayFolders folders(dir.path(), clock);
    FormState form;
    test::writeCardFolder(folders.cardFolder(), {{u"kw"_s, u"川崎"_s, 8, u"10:00"_s, u"1111"_s},
                                                 {u"oi"_s, u"大井"_s, 12, u"10:30"_s, u"20251205201003"_s}});
    ASSERT_TRUE(Form_Initialize(form, folders, clock).ok());
    const GridModel& schedule = form.grid(Grid::VSFlexGrid8);
    ASSERT_EQ(schedule.rows(), 21);
    for (int r = 1; r <= 20; ++r) {
        EXPECT_EQ(schedule.textMatrix(r, ScheduleColumn::Race), QString::number(r <= 8 ? r : r - 8));
        EXPECT_EQ(schedule.textMatrix(r, ScheduleColumn::Venue), r <= 8 ? u"川崎"_s : u"大井"_s);
    }
    EXPECT_EQ(schedule.textMatrix(9, ScheduleColumn::PostTime), u"10:30"_s);
    EXPECT_EQ(schedule.textMatrix(20, ScheduleColumn::PostTime), u"16:00"_s);
    EXPECT_EQ(schedule.textMatrix(20, ScheduleColumn::PageId), u"2025120520100312"_s);
    EXPECT_EQ(schedule.textMatrix(11, ScheduleColumn::RaceName), u"第3競走"_s);
    EXPECT_EQ(schedule.textMatrix(0, ScheduleColumn::NextTime), u"NEXT TIME"_s);
    EXPECT_EQ(form.venueBox(0).caption, u"川崎"_s);
    EXPECT_EQ(form.venueBox(1).caption, u"大井"_s);
    EXPECT_TRUE(form.venueBox(0).checked && form.venueBox(1).checked && form.venueBox(1).visible);
    for (int i = 2; i < FormState::kVenueBoxes; ++i)
        EXPECT_FALSE(form.venueBox(i).visible);
    EXPECT_EQ(form.text(Control::Text5[1]), u"60"_s);

    form.setVenueChecked(1, false); // the user unticks; Command12 ticks it again
    Command12_Click(form);
    EXPECT_TRUE(form.venueBox(1).checked);
}

TEST(StartupReasons, AMissingMeetingListKeepsItsMessageAndSaysWhereAndWhyBeneathIt)
{
    const struct {
        const char* name;
        QString made; // under the temporary folder, before start-up
        QString path; // named beneath the message, under the temporary folder
        QString why;
    } rows[] = {
        {"mistyped base folder", QString(), u"uma"_s, u"The base folder %1 does not exist"_s},
        {"no card folder for the day", u"uma"_s, u"uma/nsdat2/251205"_s,
         u"No card folder for 2025-12-05: %1 did not"_s},
        {"no zen.txt in the card folder", u"uma/nsdat2/251205"_s, u"uma/nsdat2/251205/zen.txt"_s,
         u"Missing zen.txt at %1."_s},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.name);
        QTemporaryDir dir;
        if (!r.made.isEmpty()) {
            ASSERT_TRUE(QDir().mkpath(dir.filePath(r.made)));
        }
        test::FakeClock clock{QDateTime(QDate(2025, 12, 5), QTime(9, 0))};
        const DayFolders folders(dir.filePath(u"uma"_s), clock);
        FormState form;
        const StartupResult result = Form_Initialize(form, folders, clock);
        EXPECT_EQ(result.outcome, StartupResult::Outcome::MeetingListMissing);
        EXPECT_EQ(result.title, u"Hayatori"_s);
        EXPECT_EQ(result.message, u"開催情報を取得してから実行してください。"_s);
        EXPECT_TRUE(result.detail.startsWith(r.why.arg(QDir::toNativeSeparators(dir.filePath(r.path)))))
            << result.detail.toStdString();
        EXPECT_EQ(form.noticeText(), u"　出 馬 情 報 取 得 中    12月05日"_s);
        EXPECT_EQ(form.grid(Grid::VSFlexGrid8).textMatrix(1, ScheduleColumn::Venue), QString()); // no grid touched
        // A mistyped base is left alone; under a real one the four day folders are made.
        for (const auto& sub : {u"uma/nsdat2"_s, u"uma/nsdat2/251205"_s, u"uma/dat2"_s, u"uma/dat2/251205"_s})
            EXPECT_EQ(QDir(dir.filePath(sub)).exists(), !r.made.isEmpty()) << sub.toStdString();
    }
}

// Each row replaces one input file of a sound one-race day; a refusal names the file (and its
// line) and builds nothing, a borderline file that is sound gives its post time.
TEST(Startup, EachBadInputFileIsRefusedByNameAndNothingIsHalfBuilt)
{
    const QString url = u"https://site.example/race_info/2025120520100301.do"_s;
    const QString card = test::raceCardText(u"大井"_s, u"10:30"_s, u"第1競走"_s, url);
    const QString rest = u",\"ダート\",1200,\"第1競走\",\"$url\",\"\"\r\n"_s;
    const test::FakeClock clock{QDateTime(QDate(2025, 12, 5), QTime(9, 0))};
    for (const QStringList& r : test::dataRows(u"startup_inputs.tsv"_s)) {
        SCOPED_TRACE(r[0].toStdString());
        QTemporaryDir dir;
        const DayFolders folders(dir.path(), clock);
        const QDir cards(folders.cardFolder());
        test::writeCp932(cards.filePath(u"zen.txt"_s), u"\"oi\",1,x\r\n"_s);
        test::writeCp932(cards.filePath(u"oi01.txt"_s), card);

        QString text = r[2];
        QByteArray bytes;
        if (text.startsWith(u"0x"_s)) {
            bytes = QByteArray::fromHex(text.section(u' ', 0, 0).mid(2).toLatin1());
            text = text.section(u' ', 1);
        }
        const qsizetype pad = text.indexOf(u"$pad="_s);
        const qsizetype padTo = pad < 0 ? 0 : text.mid(pad + 5).toLongLong();
        text = text.left(pad < 0 ? text.size() : pad).replace(u"$card"_s, card).replace(u"$rest"_s, rest);
        bytes += toCp932(text.replace(u"$url"_s, url));
        test::writeBytes(QDir::cleanPath(cards.filePath(r[1])), bytes + QByteArray(padTo - bytes.size(), '\n'));

        FormState form;
        const StartupResult result = Form_Initialize(form, folders, clock);
        const GridModel& schedule = form.grid(Grid::VSFlexGrid8);
        if (r[3] == u"post"_s) {
            ASSERT_TRUE(result.ok()) << result.message.toStdString();
            EXPECT_EQ(schedule.textMatrix(1, ScheduleColumn::PostTime), r[4]);
            EXPECT_EQ(schedule.textMatrix(1, ScheduleColumn::Venue), u"大井"_s);
            continue;
        }
        EXPECT_EQ(result.outcome, StartupResult::Outcome::Problems);
        EXPECT_TRUE(anyLineHas(result.message, r[3], r[4])) << result.message.toStdString();
        if (r.size() > 5) {
            EXPECT_LE(result.message.count(u'\n') + 1, r[5].toInt()) << result.message.toStdString();
        }
        EXPECT_EQ(schedule.textMatrix(1, ScheduleColumn::Venue), QString());
        EXPECT_FALSE(form.venueBox(0).visible);
    }
}

TEST(DayFolders, TheDayKeyFollowsTheClockPastMidnight)
{
    test::FakeClock clock(QDateTime(QDate(2025, 12, 5), QTime(23, 59, 59)));
    const DayFolders folders(u"/base"_s, clock);
    EXPECT_EQ(folders.oddsFolder(), u"/base/dat2/251205"_s);
    clock.advance(1);
    EXPECT_EQ(folders.cardFolder(), u"/base/nsdat2/251206"_s);
}

TEST(Startup, TheSampleDayShippedWithTheProgramIsReadWhole)
{
    const CardReading sample = readDayCards(QStringLiteral(KAZEYOMI_SAMPLES_DIR "/uma/nsdat2/251205"));
    EXPECT_TRUE(sample.problems.isEmpty()) << sample.problems.join(u'\n').toStdString();
    EXPECT_EQ(sample.races.size(), 23u);
}
