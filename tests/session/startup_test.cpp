#include "session/startup.h"

#include <algorithm>
#include <chrono>
#include <functional>
#include <future>

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
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

class Startup : public ::testing::Test {
protected:
    QTemporaryDir dir;
    test::FakeClock clock{QDateTime(QDate(2025, 12, 5), QTime(9, 0))};
    DayFolders folders{dir.path(), clock};
    FormState form;

    QString cards() const { return folders.cardFolder(); }
    QString card(const QString& name) const { return QDir(cards()).filePath(name); }
    GridModel& schedule() { return form.grid(Grid::VSFlexGrid8); }

    // One meeting "oi" of one race at 大井 whose race card file holds `text`.
    void writeOneRace(const QString& cardText)
    {
        test::writeCp932(card(u"zen.txt"_s), u"\"oi\",1,\"大井\"\r\n"_s);
        test::writeCp932(card(u"oi01.txt"_s), cardText);
    }
};

const QString kUrl = u"https://site.example/race_info/2025120520100301.do"_s;

bool anyLineHas(const QString& message, const QString& a, const QString& b)
{
    const QStringList lines = message.split(u'\n');
    return std::any_of(lines.begin(), lines.end(), [&](const QString& l) { return l.contains(a) && l.contains(b); });
}

} // namespace

TEST(CardFiles, TitleAndUrlGiveVenuePostTimeAndPageId)
{
    EXPECT_EQ(venueFromTitle(u"第５回　大井　第３日　15:10"_s), u"大井"_s);
    EXPECT_EQ(postTimeFromTitle(u"第５回　大井　第３日　15:10"_s), u"15:10"_s);
    EXPECT_EQ(venueFromTitle(u"  第５回 川崎 15:10"_s), u"川崎"_s); // leading blanks skipped
    EXPECT_EQ(venueFromTitle(u"第５回大井"_s), std::nullopt);
    EXPECT_EQ(pageIdFromUrl(u"https://www.example.jp/race_info/2025120520100310.do"_s), u"2025120520100310"_s);
    EXPECT_EQ(pageIdFromUrl(u"https://www.example.jp/race_info/abc"_s), std::nullopt);
    EXPECT_EQ(pageIdFromUrl(u"https://www.example.jp/x.do"_s), std::nullopt);
}

TEST(CardFiles, APostTimeIsATimeOfDayOfFiveCharacters)
{
    for (const auto& ok : {u"15:10"_s, u"00:00"_s, u"23:59"_s, u"09:30"_s, u" 9:30"_s, u" 0:00"_s})
        EXPECT_TRUE(isTimeOfDay(ok)) << ok.toStdString();
    for (const auto& bad : {u"5:10 "_s, u"25:10"_s, u"24:00"_s, u"99:99"_s, u"ab:cd"_s, u"12:60"_s, u"日9:30"_s,
                            u"  :30"_s, u"１５:１０"_s, u"15.10"_s, u"15:1"_s, u"015:10"_s, QString()})
        EXPECT_FALSE(isTimeOfDay(bad)) << bad.toStdString();
}

TEST(CardFiles, OnlyPlainNamesMayBecomePartOfAPath)
{
    for (const auto& ok : {u"大井"_s, u"川崎"_s, u"Ab"_s})
        EXPECT_TRUE(isSafeVenueName(ok)) << ok.toStdString();
    for (const auto& bad : {u".."_s, u"a/"_s, u"\\b"_s, u"大"_s, u"大井町"_s, u"a:"_s, u"a\t"_s, u"a*"_s, u" a"_s})
        EXPECT_FALSE(isSafeVenueName(bad)) << bad.toStdString();
    EXPECT_TRUE(isSafePageId(u"2025120520100310"_s));
    for (const auto& bad : {QString(), u"12/3"_s, u"..%2F"_s, u"１２"_s, u"12 3"_s})
        EXPECT_FALSE(isSafePageId(bad)) << bad.toStdString();
}

TEST_F(Startup, OneMeetingOfTwelveRacesFillsRowsOneToTwelve)
{
    test::writeCardFolder(cards(), {{u"oi"_s, u"大井"_s, 12, u"10:30"_s, u"20251205201003"_s}});
    ASSERT_TRUE(Form_Initialize(form, folders, clock).ok());
    EXPECT_EQ(schedule().rows(), 13);
    for (int r = 1; r <= 12; ++r) {
        EXPECT_EQ(schedule().textMatrix(r, ScheduleColumn::Race), QString::number(r));
        EXPECT_EQ(schedule().textMatrix(r, ScheduleColumn::Venue), u"大井"_s);
    }
    EXPECT_EQ(schedule().textMatrix(1, ScheduleColumn::PostTime), u"10:30"_s);
    EXPECT_EQ(schedule().textMatrix(12, ScheduleColumn::PostTime), u"16:00"_s);
    EXPECT_EQ(schedule().textMatrix(12, ScheduleColumn::PageId), u"2025120520100312"_s);
    EXPECT_EQ(schedule().textMatrix(3, ScheduleColumn::RaceName), u"第3競走"_s);
    EXPECT_EQ(schedule().textMatrix(0, ScheduleColumn::NextTime), u"NEXT TIME"_s);
    EXPECT_TRUE(form.venueBox(0).visible && form.venueBox(0).checked);
    EXPECT_FALSE(form.venueBox(1).visible);
    EXPECT_EQ(form.text(Control::Text5[1]), u"60"_s);
}

TEST_F(Startup, TwoMeetingsGiveTwoTickedBoxesInFileOrder)
{
    test::writeCardFolder(
        cards(), {{u"kw"_s, u"川崎"_s, 8, u"10:00"_s, u"1111"_s}, {u"oi"_s, u"大井"_s, 10, u"14:00"_s, u"2222"_s}});
    ASSERT_TRUE(Form_Initialize(form, folders, clock).ok());
    EXPECT_EQ(schedule().rows(), 19);
    EXPECT_EQ(schedule().textMatrix(9, ScheduleColumn::Venue), u"大井"_s);
    EXPECT_EQ(schedule().textMatrix(9, ScheduleColumn::Race), u"1"_s);
    EXPECT_EQ(form.venueBox(0).caption, u"川崎"_s);
    EXPECT_EQ(form.venueBox(1).caption, u"大井"_s);
    EXPECT_TRUE(form.venueBox(0).checked && form.venueBox(1).checked);
    for (int i = 2; i < FormState::kVenueBoxes; ++i)
        EXPECT_FALSE(form.venueBox(i).visible);

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

TEST_F(Startup, StopsWithTheFirstProblemsListedWithTheirFiles)
{
    test::writeCardFolder(cards(), {{u"oi"_s, u"大井"_s, 6, u"10:30"_s, u"5555"_s}});
    const auto url = u"https://site.example/race_info/1.do"_s;
    test::writeCp932(card(u"oi02.txt"_s), test::raceCardText(u"大井"_s, u"11:00"_s, u"x"_s, u"https://site/nodot"_s));
    test::writeCp932(card(u"oi03.txt"_s), u"\"第５回大井\",a,b,c,\"%1\",d\r\n"_s.arg(url));
    test::writeCp932(card(u"oi04.txt"_s), test::raceCardText(u".."_s, u"12:00"_s, u"x"_s, url));
    test::writeCp932(card(u"oi05.txt"_s),
                     test::raceCardText(u"大井"_s, u"12:30"_s, u"x"_s, u"https://site.example/race_info/..%2Fx.do"_s));

    const StartupResult result = Form_Initialize(form, folders, clock);
    ASSERT_EQ(result.outcome, StartupResult::Outcome::Problems);
    const QStringList lines = result.message.split(u'\n');
    const struct {
        const char* name;
        QString file;
        QString words;
    } rows[] = {
        {"url without dot", u"oi02.txt"_s, u"has no \".\" after its fourth \"/\""_s},
        {"title without space", u"oi03.txt (line 1)"_s, u"no space before the venue"_s},
        {"unsafe venue", u"oi04.txt (line 1)"_s, u"venue name \"..\""_s},
        {"unsafe page id", u"oi05.txt (line 1)"_s, u"not plain ASCII letters and digits"_s},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.name);
        const bool found = std::any_of(lines.begin(), lines.end(), [&](const QString& line) {
            return line.contains(r.file) && line.contains(r.words);
        });
        EXPECT_TRUE(found) << result.message.toStdString();
    }
    EXPECT_EQ(schedule().textMatrix(1, ScheduleColumn::Venue), QString()); // nothing half-built
    EXPECT_FALSE(form.venueBox(0).visible);
}

TEST_F(Startup, RefusesMoreMeetingsOrRacesThanTheWindowHoldsAndStopsAfterFiveProblems)
{
    std::vector<test::MeetingCards> meetings;
    const QString venues[] = {u"浦和"_s, u"船橋"_s, u"大井"_s, u"川崎"_s, u"門別"_s, u"園田"_s, u"高知"_s};
    for (int i = 0; i < 7; ++i)
        meetings.push_back({u"m%1"_s.arg(i), venues[i], 1, u"10:00"_s, QString::number(i)});
    test::writeCardFolder(cards(), meetings); // every card there: only the count is wrong
    const QString sevenMeetings = fromCp932(test::readBytes(card(u"zen.txt"_s)));
    QString hundredMissing;
    for (int i = 1; i <= 100; ++i)
        hundredMissing += u"\"m\",%1,x\r\n"_s.arg(1 + i % 16);
    const struct {
        const char* name;
        QString list;
        QString words; // in one line of the message
        int maxLines;
    } rows[] = {
        {"seven meetings", sevenMeetings, u"zen.txt (line 7): more than 6 meetings"_s, 2},
        {"a race count in words", u"\"oi\",twelve,\"大井\"\r\n"_s, u"zen.txt (line 1): the race count"_s, 2},
        {"seventeen races", u"\"oi\",17,x\r\n"_s, u"the race count \"17\" is not a number from 0 to 16"_s, 2},
        {"a hundred meetings without cards", hundredMissing, u"m01.txt: the file is missing"_s, 7},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.name);
        test::writeCp932(card(u"zen.txt"_s), r.list);
        const StartupResult result = Form_Initialize(form, folders, clock);
        EXPECT_EQ(result.outcome, StartupResult::Outcome::Problems);
        EXPECT_TRUE(anyLineHas(result.message, r.words, r.words)) << result.message.toStdString();
        EXPECT_LE(result.message.count(u'\n') + 1, r.maxLines) << result.message.toStdString();
    }
}

TEST_F(Startup, ThePostTimeIsTheEndOfTheTitleWithoutTrailingBlanks)
{
    const QString rest = u",\"ダート\",1200,\"第1競走\",\"%1\",\"\"\r\n"_s.arg(kUrl);
    const struct {
        const char* name;
        QString title; // as it stands in the file
        QString post;  // column 3, or empty when start-up must refuse the card
        QString shown; // the cut named in the refusal
    } rows[] = {
        {"unquoted, blank after", u"第５回　大井　第３日　15:10 "_s, u"15:10"_s, {}},
        {"unquoted, tab after", u"第５回　大井　第３日　15:10\t"_s, u"15:10"_s, {}},
        {"one-digit hour after a blank", u"第５回　大井　第３日　9:30"_s, u" 9:30"_s, {}},
        {"quoted keeps its blank", u"\"第５回　大井　第３日　15:10 \""_s, {}, u"\"5:10 \""_s},
        {"hour 25", u"第５回　大井　第３日　25:10"_s, {}, u"\"25:10\""_s},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.name);
        writeOneRace(r.title + rest);
        FormState fresh;
        const StartupResult result = Form_Initialize(fresh, folders, clock);
        if (!r.post.isEmpty()) {
            ASSERT_TRUE(result.ok()) << result.message.toStdString();
            EXPECT_EQ(fresh.grid(Grid::VSFlexGrid8).textMatrix(1, ScheduleColumn::PostTime), r.post);
            EXPECT_EQ(fresh.grid(Grid::VSFlexGrid8).textMatrix(1, ScheduleColumn::Venue), u"大井"_s);
        } else {
            EXPECT_EQ(result.outcome, StartupResult::Outcome::Problems);
            EXPECT_TRUE(anyLineHas(result.message, u"oi01.txt (line 1)"_s, r.shown + u" is not a time of day"_s))
                << result.message.toStdString();
            EXPECT_EQ(fresh.grid(Grid::VSFlexGrid8).textMatrix(1, ScheduleColumn::Venue), QString());
        }
    }
}

TEST_F(Startup, AMeetingListWithoutARaceIsAStartUpFailure)
{
    const struct {
        const char* name;
        QString list;
        QString words;
    } rows[] = {
        {"empty file", QString(), u"holds no meeting"_s},
        {"blank lines only", u"\r\n  \r\n\r\n"_s, u"holds no meeting"_s},
        {"meetings of no race", u"\"oi\",0,\"大井\"\r\n\"kw\",0,\"川崎\"\r\n"_s, u"have no race"_s},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.name);
        test::writeCp932(card(u"zen.txt"_s), r.list);
        const StartupResult result = Form_Initialize(form, folders, clock);
        EXPECT_EQ(result.outcome, StartupResult::Outcome::Problems);
        EXPECT_TRUE(anyLineHas(result.message, QDir::toNativeSeparators(card(u"zen.txt"_s)), r.words))
            << result.message.toStdString();
    }
}

TEST_F(Startup, AByteOrderMarkIsNotShiftJis)
{
    const QByteArray card01 = toCp932(test::raceCardText(u"大井"_s, u"10:30"_s, u"第1競走"_s, kUrl));
    const struct {
        const char* name;
        QString file;
        QByteArray mark;
    } rows[] = {
        {"UTF-8 meeting list", u"zen.txt"_s, "\xEF\xBB\xBF"},
        {"UTF-8 race card", u"oi01.txt"_s, "\xEF\xBB\xBF"},
        {"UTF-16 race card", u"oi01.txt"_s, "\xFF\xFE"},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.name);
        test::writeBytes(card(u"zen.txt"_s), "\"oi\",1,x\r\n");
        test::writeBytes(card(u"oi01.txt"_s), card01);
        test::writeBytes(card(r.file), r.mark + test::readBytes(card(r.file)));
        const StartupResult result = Form_Initialize(form, folders, clock);
        EXPECT_EQ(result.outcome, StartupResult::Outcome::Problems);
        EXPECT_TRUE(anyLineHas(result.message, QDir::toNativeSeparators(card(r.file)) + u": not Shift_JIS"_s,
                               u"byte-order mark"_s))
            << result.message.toStdString();
    }
}

TEST_F(Startup, AnInputFileAtTheSizeLimitIsReadAndOneByteMoreIsNot)
{
    const QByteArray text = toCp932(test::raceCardText(u"大井"_s, u"10:30"_s, u"第1競走"_s, kUrl));
    for (const qint64 size : {kMaxInputFileBytes, kMaxInputFileBytes + 1}) {
        SCOPED_TRACE(size);
        test::writeCp932(card(u"zen.txt"_s), u"\"oi\",1,x\r\n"_s);
        test::writeBytes(card(u"oi01.txt"_s), text + QByteArray(size - text.size(), '\n'));
        const StartupResult result = Form_Initialize(form, folders, clock);
        if (size == kMaxInputFileBytes) {
            EXPECT_TRUE(result.ok()) << result.message.toStdString();
        } else {
            EXPECT_EQ(result.outcome, StartupResult::Outcome::Problems);
            EXPECT_TRUE(
                anyLineHas(result.message, QDir::toNativeSeparators(card(u"oi01.txt"_s)), u"larger than 64 KiB"_s))
                << result.message.toStdString();
        }
    }
}

TEST_F(Startup, ALinkToARegularRaceCardIsRead)
{
    const QString target = dir.filePath(u"elsewhere.txt"_s);
    test::writeCp932(target, test::raceCardText(u"大井"_s, u"10:30"_s, u"第1競走"_s, kUrl));
    test::writeCp932(card(u"zen.txt"_s), u"\"oi\",1,x\r\n"_s);
    ASSERT_TRUE(QFile::link(target, card(u"oi01.txt"_s)));
    const StartupResult result = Form_Initialize(form, folders, clock);
    ASSERT_TRUE(result.ok()) << result.message.toStdString();
    EXPECT_EQ(schedule().textMatrix(1, ScheduleColumn::PostTime), u"10:30"_s);
}

TEST_F(Startup, AFolderThatCannotBeCreatedStopsStartUp)
{
    test::writeBytes(dir.filePath(u"dat2"_s), "a file where the odds root belongs");
    const StartupResult result = Form_Initialize(form, folders, clock);
    EXPECT_EQ(result.outcome, StartupResult::Outcome::Problems);
    EXPECT_TRUE(result.message.contains(u"dat2"_s)) << result.message.toStdString();
}

TEST(DayFolders, RaceNumbersHaveTwoDigitsAndTheDayKeyFollowsTheClock)
{
    EXPECT_EQ(twoDigitRace(7), u"07"_s);
    EXPECT_EQ(twoDigitRace(12), u"12"_s);
    test::FakeClock clock(QDateTime(QDate(2025, 12, 5), QTime(23, 59, 59)));
    DayFolders folders(u"/base"_s, clock);
    EXPECT_EQ(folders.oddsFolder(), u"/base/dat2/251205"_s);
    clock.advance(1); // after midnight the next day's folder is used
    EXPECT_EQ(folders.cardFolder(), u"/base/nsdat2/251206"_s);

    QTemporaryDir dir; // a base folder that does not exist yet is made first
    const DayFolders fresh(dir.filePath(u"new/uma"_s), clock);
    EXPECT_TRUE(fresh.createAll().isEmpty());
    EXPECT_TRUE(QDir(fresh.oddsFolder()).exists());
}
