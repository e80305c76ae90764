#include "racecards/race_card_capture.h"

#include <QDir>

#include <gtest/gtest.h>

#include "demo/race_card_pages.h"
#include "foundation/notifier.h"
#include "foundation/text_codec.h"
#include "racecards/race_card_file.h"
#include "support/files.h"
#include "support/race_card_sample.h"
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
        form.meetings = {{u"oi"_s, 12, u"大井"_s}, {u"kw"_s, 3, u"川崎"_s}};
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

TEST_F(CardCaptureTest, ButtonsOneToTwelveAddressTheirRace)
{
    for (const auto& [k, text3, text8] :
         {std::tuple{0, "1", "01"}, std::tuple{10, "11", "11"}, std::tuple{11, "12", "12"}}) {
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

TEST_F(CardCaptureTest, TwelveRunnersGiveThirteenLineFileByteForByte)
{
    site.setPage(address(5), raceCardPage(twelveRunnerCard()));
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
    const QString expected = twelveRunnerCardFile();
    EXPECT_EQ(readBytes(written.path), toCp932(expected));
}

TEST_F(CardCaptureTest, RunnerBlockWithoutItsMarkersLeavesThoseCellsEmpty)
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

TEST_F(CardCaptureTest, CardFileIsNamedAfterTheCapturedRaceNotThePolledOne)
{
    site.setPage(address(3), raceCardPage(twelveRunnerCard()));
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
