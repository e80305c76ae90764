// The meeting chosen, a race card captured from the regional portal into its grid, the brackets,
// and the race card file written from the grid.
#include "racecards/race_card_capture.h"

#include <QDir>

#include <gtest/gtest.h>

#include "demo/race_card_pages.h"
#include "foundation/controls.h"
#include "foundation/form_state.h"
#include "foundation/notifier.h"
#include "foundation/text_codec.h"
#include "racecards/meeting_choice.h"
#include "racecards/race_card_file.h"
#include "racecards/venue_codes.h"
#include "racecards/waku.h"
#include "support/files.h"
#include "support/race_card_sample.h"
#include "support/race_fixture.h"

namespace kazeyomi::test {
namespace {

using namespace Qt::StringLiterals;

const QString kPortal = u"https://portal.test"_s;

class Answers final : public Notifier {
public:
    bool answer = false;
    QStringList asked;
    void tell(const QString&, const QString&) override {}
    bool ask(const QString&, const QString& text) override
    {
        asked << text;
        return answer;
    }
};

class RaceCards : public RaceFixture {
protected:
    Answers notifier;

    void SetUp() override
    {
        RaceFixture::SetUp();
        form.meetings = {{u"oi"_s, 12, u"大井"_s}, {u"kw"_s, 3, u"川崎"_s}};
        form.setText(Control::Text4, u"1"_s);
        form.setText(Control::Text2, u"20"_s);
        form.cardInGrid = {u"大井"_s, 1};
        form.setText(Control::Text6, QString()); // no title captured: the box holds its design text
    }
    QString address(int race, const QString& code = u"20"_s) const
    {
        return kPortal + u"/keibaWeb/PageFlows/DebaTable/DebaTableController.jpf?k_babaCode="_s + code +
               u"&k_raceNo="_s + QString::number(race) + u"&k_raceDate=2025%2F12%2F05"_s;
    }
    QString cell(int r, int c) const { return form.grid(Grid::VSFlexGrid2).textMatrix(r, c); }
    void setRow(int r, const QStringList& cells)
    {
        for (int c = 0; c < cells.size(); ++c)
            form.grid(Grid::VSFlexGrid2).setTextMatrix(r, c, cells[c]);
    }
    QString cardPath() const { return QDir(folders.cardFolder()).filePath(u"大井01.txt"_s); }
    CardWrite write(ScheduleCardReplace policy = ScheduleCardReplace::Ask)
    {
        return Command1_Click(form, folders, notifier, policy);
    }
};

TEST_F(RaceCards, ButtonsAddressTheirRaceUpToTheMeetingsRaceCount)
{
    for (const auto& [k, text3, text8] :
         {std::tuple{0, "1", "01"}, std::tuple{10, "11", "11"}, std::tuple{11, "12", "12"}}) {
        SCOPED_TRACE(k);
        site.requested.clear();
        form.cardInGrid = {};
        const CardCapture capture = Option2_Click(context, kPortal, k);
        EXPECT_EQ(capture.address, address(k + 1));
        EXPECT_EQ(site.requested, QStringList{address(k + 1)});
        EXPECT_FALSE(capture.ok()); // the fake portal has no such page
        EXPECT_EQ(form.text(Control::Text3), QString::fromLatin1(text3));
        EXPECT_EQ(form.text(Control::Text8), QString::fromLatin1(text8));
        EXPECT_EQ(form.cardInGrid.race, 0);
    }
    // A race beyond the meeting's race count does nothing.
    site.requested.clear();
    form.setText(Control::Text4, u"2"_s); // 川崎, 3 races
    form.setText(Control::Text2, u"21"_s);
    form.setText(Control::Text3, u"7"_s);
    site.setPage(address(3, u"21"_s), raceCardPage(twelveRunnerCard()));
    const CardCapture beyond = Option2_Click(context, kPortal, 3);
    EXPECT_TRUE(beyond.beyondRaceCount);
    EXPECT_TRUE(site.requested.isEmpty());
    EXPECT_EQ(form.text(Control::Text3), u"7"_s);
    const CardCapture last = Option2_Click(context, kPortal, 2);
    EXPECT_TRUE(last.ok()) << last.error.toStdString();
    EXPECT_FALSE(last.beyondRaceCount);
    EXPECT_EQ(last.runners, 12);
}

TEST_F(RaceCards, TwelveRunnersGiveThirteenLineFileByteForByte)
{
    site.setPage(address(5), raceCardPage(twelveRunnerCard()));
    const CardCapture capture = Option2_Click(context, kPortal, 4);
    ASSERT_TRUE(capture.ok()) << capture.error.toStdString();
    EXPECT_EQ(capture.runners, 12);
    EXPECT_EQ(cell(1, 10), QString());
    EXPECT_EQ(cell(4, 3), u" "_s);
    EXPECT_FALSE(QFile::exists(context.appFile(u"tmp.txt"_s)));

    setRace(u"川崎"_s, 9); // the polling moves on: the file is named after the captured race
    const CardWrite written = write();
    ASSERT_TRUE(written.ok()) << written.error.toStdString();
    EXPECT_EQ(written.path, QDir(folders.cardFolder()).filePath(u"大井05.txt"_s));
    EXPECT_EQ(readBytes(written.path), toCp932(twelveRunnerCardFile()));
}

TEST_F(RaceCards, RunnerBlockWithoutItsMarkersLeavesThoseCellsEmpty)
{
    QByteArray page = raceCardPage(twelveRunnerCard());
    // The first runner's owner cell loses its noWrap: the start marker of its cut is missing.
    const QByteArray owner = toCp932(u"<td nowrap>山田　太郎</td>"_s);
    page.replace(page.indexOf(owner), owner.size(), toCp932(u"<td>山田　太郎</td>"_s));
    site.setPage(address(5), page);
    ASSERT_TRUE(Option2_Click(context, kPortal, 4).ok());
    EXPECT_EQ(cell(1, 3), QString());
    EXPECT_EQ(cell(1, 4), u"浦河　川上牧場"_s);
    EXPECT_EQ(cell(2, 3), u"山田　太郎"_s);
}

TEST_F(RaceCards, EmptyTitleSpaceOnlyNumberEmptyChangeColumnAndACommaInACell)
{
    setRow(1, {u" 1 "_s, u"1"_s, u" A "_s, u"b"_s, u""_s, u"c"_s, u"55.0"_s, u"d"_s, u"1-0"_s, u"450"_s});
    setRow(2, {u"1"_s, u"   "_s, u"skipped"_s, u"x"_s});
    setRow(3, {u"2"_s, u"3"_s, u"名　"_s, u"\u3000"_s, u"e,f"_s, u""_s, u""_s, u""_s, u""_s, u""_s, u"変"_s});
    const CardWrite written = write();
    ASSERT_TRUE(written.ok()) << written.error.toStdString();
    EXPECT_EQ(readBytes(cardPath()), toCp932(u",aa,bb,cc\r\n"
                                             u"1,1,A,b,,c,55.0,d,1-0,450,,\r\n"
                                             u"2,3,名　,\u3000,e，f,,,,,,変,変\r\n"_s));
    ASSERT_EQ(written.notices.size(), 1);
    EXPECT_TRUE(written.notices[0].contains(u"row 3 column 4 \"e,f\""_s)) << written.notices[0].toStdString();
}

TEST_F(RaceCards, AMissingFolderIsNamedAndNothingCapturedWritesNothing)
{
    setRow(1, {u"1"_s, u"1"_s, u"A"_s});
    ASSERT_TRUE(QDir(folders.cardFolder()).removeRecursively());
    const CardWrite written = write();
    EXPECT_FALSE(written.ok());
    EXPECT_TRUE(written.error.contains(QDir::toNativeSeparators(cardPath()))) << written.error.toStdString();
    EXPECT_FALSE(QFile::exists(cardPath()));

    ASSERT_TRUE(QDir().mkpath(folders.cardFolder()));
    form.cardInGrid = {}; // nothing captured: nothing written
    EXPECT_FALSE(write().ok());
    EXPECT_TRUE(QDir(folders.cardFolder()).isEmpty());
}

TEST_F(RaceCards, ScheduleCardFileIsReplacedOnlyAfterOk)
{
    form.meetings = {{u"大井"_s, 2, u"大井"_s}};
    const QByteArray startupCard = toCp932(u"第１回　大井　第３日　10:30,a,b,C1,http://x/y/z/1.do,0\r\n"_s);
    writeBytes(cardPath(), startupCard);
    form.setText(Control::Text6, u"第1競走"_s);
    setRow(1, {u"1"_s, u"1"_s, u"A"_s});
    setRow(2, {u"2"_s, u"2"_s, u"B"_s});

    // The card command without --replace writes nothing and says how to replace it.
    const CardWrite refused = write(ScheduleCardReplace::Refuse);
    EXPECT_TRUE(refused.error.contains(QDir::toNativeSeparators(cardPath()) + u" is the race card file"_s))
        << refused.error.toStdString();
    EXPECT_TRUE(refused.error.contains(u"--replace"_s));
    EXPECT_EQ(readBytes(cardPath()), startupCard);

    notifier.answer = false; // Cancel, the default
    const CardWrite kept = write();
    EXPECT_TRUE(kept.ok());
    EXPECT_TRUE(kept.cancelled);
    ASSERT_EQ(notifier.asked.size(), 1);
    EXPECT_TRUE(notifier.asked[0].contains(QDir::toNativeSeparators(cardPath())));
    EXPECT_EQ(readBytes(cardPath()), startupCard);

    notifier.answer = true;
    ASSERT_TRUE(write().ok());
    EXPECT_EQ(readBytes(cardPath()), toCp932(u"第1競走,aa,bb,cc\r\n1,1,A,,,,,,,,,\r\n2,2,B,,,,,,,,,\r\n"_s));

    // The card command with --replace writes without asking and is told what it replaced; the
    // new file replaces the old one whole.
    setRow(2, {u""_s, u""_s, u""_s});
    const CardWrite unasked = write(ScheduleCardReplace::Write);
    EXPECT_TRUE(unasked.ok());
    EXPECT_TRUE(unasked.replacedSchedule);
    EXPECT_EQ(notifier.asked.size(), 2);
    EXPECT_EQ(readBytes(cardPath()), toCp932(u"第1競走,aa,bb,cc\r\n1,1,A,,,,,,,,,\r\n"_s));
}

TEST(VenueCodes, BuiltInTableExtendedAndOverriddenBySettings)
{
    QStringList errors;
    const VenueCodes codes(parseVenueCodes(u"門別:30, 大井=99, 船橋, 川崎:2a"_s, errors));
    EXPECT_EQ(codes.code(u"浦和"_s), u"18"_s);
    EXPECT_EQ(codes.code(u"船橋"_s), u"19"_s);
    EXPECT_EQ(codes.code(u"大井"_s), u"99"_s);
    EXPECT_EQ(codes.code(u"川崎"_s), u"21"_s);
    EXPECT_EQ(codes.code(u"門別"_s), u"30"_s);
    EXPECT_FALSE(codes.code(u"盛岡"_s));
    ASSERT_EQ(errors.size(), 2);
    EXPECT_TRUE(errors[0].contains(u"船橋"_s));
    EXPECT_TRUE(errors[1].contains(u"川崎:2a"_s));
}

TEST(MeetingChoice, SetsRowAndCodeAndReportsVenueWithoutCode)
{
    FormState form;
    form.meetings = {{u"oi"_s, 12, u"大井"_s}, {u"mr"_s, 10, u"盛岡"_s}};
    const VenueCodes codes;
    EXPECT_TRUE(chooseMeeting(form, codes, 0).ok());
    EXPECT_EQ(form.text(Control::Text4), u"1"_s);
    EXPECT_EQ(form.text(Control::Text2), u"20"_s);
    ASSERT_TRUE(chosenMeeting(form));
    EXPECT_EQ(chosenMeeting(form)->races, 12);

    const Outcome none = chooseMeeting(form, codes, 1);
    EXPECT_FALSE(none.ok());
    EXPECT_TRUE(none.error.contains(u"盛岡"_s));
    EXPECT_EQ(form.text(Control::Text4), u"2"_s);
    EXPECT_EQ(form.text(Control::Text2), QString()); // no address can be built from the old code

    EXPECT_FALSE(chooseMeeting(form, codes, 2).ok());
}

TEST(Waku, BracketsByNumberOfRunners)
{
    for (const QStringList& r : test::dataRows(u"brackets.tsv"_s)) {
        SCOPED_TRACE(r[0].toStdString());
        const auto runners = qint16(r[0].toInt());
        QStringList got;
        for (qint16 horse = 1; horse <= runners; ++horse)
            got << QString::number(Waku_get(runners, horse));
        EXPECT_EQ(got, r.mid(1));
    }
}

} // namespace
} // namespace kazeyomi::test
