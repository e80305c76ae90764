#include "racecards/race_card_capture.h"

#include <QDir>

#include <gtest/gtest.h>

#include "demo/race_card_pages.h"
#include "foundation/notifier.h"
#include "foundation/text_codec.h"
#include "racecards/race_card_file.h"
#include "support/files.h"
#include "support/race_fixture.h"

namespace kazeyomi::test {
namespace {

using namespace Qt::StringLiterals;

const QString kPortal = u"https://portal.test"_s;

class NoAnswer final : public Notifier {
public:
    void tell(const QString&, const QString&) override {}
    bool ask(const QString&, const QString&) override { return false; }
};

class CardCaptureTest : public RaceFixture {
protected:
    void SetUp() override
    {
        RaceFixture::SetUp();
        form.meetings = {{u"oi"_s, 11, u"大井"_s}, {u"kw"_s, 3, u"川崎"_s}};
        form.setText(Control::Text4, u"1"_s);
        form.setText(Control::Text2, u"20"_s);
    }
    QString address(int race, const QString& code = u"20"_s) const
    {
        return kPortal + u"/keibaWeb/PageFlows/DebaTable/DebaTableController.jpf?k_babaCode="_s + code +
               u"&k_raceNo="_s + QString::number(race) + u"&k_raceDate=2025%2F12%2F05"_s;
    }
    QString cell(int r, int c) const { return form.grid(Grid::VSFlexGrid2).textMatrix(r, c); }
};

RaceCardPage twelveRunners()
{
    RaceCardPage page{5, u"C1一般"_s, u"ダート1400m"_s, {}};
    const char16_t* names[] = {u"ミナミノカゼ", u"SKY ACE",    u"ハヤテマル", u"Mr. STAR",
                               u"カゼヨミ",     u"ユキノハナ", u"JUPITER",    u"フジノヤマ",
                               u"レッドバロン", u"ハナミズキ", u"CROWN",      u"ウインドミル"};
    for (int h = 1; h <= 12; ++h)
        page.runners.push_back({QString::fromUtf16(names[h - 1]), h == 4 ? u" "_s : u"山田　太郎"_s,
                                u"浦河　川上牧場"_s, u"森　一馬"_s, u"5%1.0"_s.arg(h % 4 + 3), u"矢野貴之"_s,
                                u"%1-2-1-10"_s.arg(h % 10), h == 7 ? QString() : u"4%1(+2)"_s.arg(h + 10)});
    return page;
}

TEST_F(CardCaptureTest, ButtonsOneAndElevenAddressTheirRace)
{
    for (const auto& [k, text3, text8] : {std::tuple{0, "1", "01"}, std::tuple{10, "11", "11"}}) {
        SCOPED_TRACE(k);
        site.requested.clear();
        const CardCapture capture = Option2_Click(context, kPortal, k);
        EXPECT_EQ(capture.address, address(k + 1));
        EXPECT_EQ(site.requested, QStringList{address(k + 1)});
        EXPECT_FALSE(capture.ok()); // the fake portal has no such page
        EXPECT_EQ(form.text(Control::Text3), QString::fromLatin1(text3));
        EXPECT_EQ(form.text(Control::Text8), QString::fromLatin1(text8));
        EXPECT_EQ(form.cardInGrid.race, 0);
    }
}

TEST_F(CardCaptureTest, RaceBeyondTheMeetingsRaceCountDoesNothing)
{
    form.setText(Control::Text4, u"2"_s); // 川崎, 3 races
    form.setText(Control::Text2, u"21"_s);
    form.setText(Control::Text3, u"7"_s);
    site.setPage(address(3, u"21"_s), raceCardPage(twelveRunners()));
    const CardCapture beyond = Option2_Click(context, kPortal, 3);
    EXPECT_TRUE(beyond.beyondRaceCount);
    EXPECT_TRUE(site.requested.isEmpty());
    EXPECT_EQ(form.text(Control::Text3), u"7"_s);
    const CardCapture last = Option2_Click(context, kPortal, 2);
    EXPECT_TRUE(last.ok()) << last.error.toStdString();
    EXPECT_FALSE(last.beyondRaceCount);
    EXPECT_EQ(last.runners, 12);
}

TEST_F(CardCaptureTest, TwelveRunnersGiveThirteenLineFileByteForByte)
{
    site.setPage(address(5), raceCardPage(twelveRunners()));
    const CardCapture capture = Option2_Click(context, kPortal, 4);
    ASSERT_TRUE(capture.ok()) << capture.error.toStdString();
    EXPECT_EQ(capture.runners, 12);
    EXPECT_EQ(cell(1, 10), QString());
    EXPECT_EQ(cell(4, 3), u" "_s);
    EXPECT_FALSE(QFile::exists(context.appFile(u"tmp.txt"_s)));

    NoAnswer notifier;
    const CardWrite written = Command1_Click(form, folders, notifier, ScheduleCardReplace::Ask);
    ASSERT_TRUE(written.ok()) << written.error.toStdString();
    EXPECT_EQ(written.path, QDir(folders.cardFolder()).filePath(u"大井05.txt"_s));
    const QString expected =
        u"第5競走　C1一般　ダート1400M,aa,bb,cc\r\n"
        u"1,1,ミナミノカゼ,山田　太郎,浦河　川上牧場,森　一馬,54.0,矢野貴之,1-2-1-10,411(+2),,\r\n"
        u"2,2,SKY ACE,山田　太郎,浦河　川上牧場,森　一馬,55.0,矢野貴之,2-2-1-10,412(+2),,\r\n"
        u"3,3,ハヤテマル,山田　太郎,浦河　川上牧場,森　一馬,56.0,矢野貴之,3-2-1-10,413(+2),,\r\n"
        u"4,4,Mr. STAR,,浦河　川上牧場,森　一馬,53.0,矢野貴之,4-2-1-10,414(+2),,\r\n"
        u"5,5,カゼヨミ,山田　太郎,浦河　川上牧場,森　一馬,54.0,矢野貴之,5-2-1-10,415(+2),,\r\n"
        u"5,6,ユキノハナ,山田　太郎,浦河　川上牧場,森　一馬,55.0,矢野貴之,6-2-1-10,416(+2),,\r\n"
        u"6,7,JUPITER,山田　太郎,浦河　川上牧場,森　一馬,56.0,矢野貴之,7-2-1-10,,,\r\n"
        u"6,8,フジノヤマ,山田　太郎,浦河　川上牧場,森　一馬,53.0,矢野貴之,8-2-1-10,418(+2),,\r\n"
        u"7,9,レッドバロン,山田　太郎,浦河　川上牧場,森　一馬,54.0,矢野貴之,9-2-1-10,419(+2),,\r\n"
        u"7,10,ハナミズキ,山田　太郎,浦河　川上牧場,森　一馬,55.0,矢野貴之,0-2-1-10,420(+2),,\r\n"
        u"8,11,CROWN,山田　太郎,浦河　川上牧場,森　一馬,56.0,矢野貴之,1-2-1-10,421(+2),,\r\n"
        u"8,12,ウインドミル,山田　太郎,浦河　川上牧場,森　一馬,53.0,矢野貴之,2-2-1-10,422(+2),,\r\n"_s;
    EXPECT_EQ(readBytes(written.path), toCp932(expected));
}

TEST_F(CardCaptureTest, RunnerBlockWithoutItsMarkersLeavesThoseCellsEmpty)
{
    QByteArray page = raceCardPage(twelveRunners());
    // The first runner's owner cell loses its noWrap: the start marker of its cut is missing.
    const QByteArray owner = toCp932(u"<td nowrap>山田　太郎</td>"_s);
    page.replace(page.indexOf(owner), owner.size(), toCp932(u"<td>山田　太郎</td>"_s));
    site.setPage(address(5), page);
    ASSERT_TRUE(Option2_Click(context, kPortal, 4).ok());
    EXPECT_EQ(cell(1, 3), QString());
    EXPECT_EQ(cell(1, 4), u"浦河　川上牧場"_s);
    EXPECT_EQ(cell(2, 3), u"山田　太郎"_s);
}

TEST_F(CardCaptureTest, CardFileIsNamedAfterTheCapturedRaceNotThePolledOne)
{
    site.setPage(address(3), raceCardPage(twelveRunners()));
    ASSERT_TRUE(Option2_Click(context, kPortal, 2).ok());
    setRace(u"川崎"_s, 9); // the polling moves on to another race
    NoAnswer notifier;
    const CardWrite written = Command1_Click(form, folders, notifier, ScheduleCardReplace::Ask);
    ASSERT_TRUE(written.ok()) << written.error.toStdString();
    EXPECT_TRUE(QFile::exists(QDir(folders.cardFolder()).filePath(u"大井03.txt"_s)));
    EXPECT_FALSE(QFile::exists(QDir(folders.cardFolder()).filePath(u"川崎09.txt"_s)));
}

} // namespace
} // namespace kazeyomi::test
