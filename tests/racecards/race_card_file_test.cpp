#include "racecards/race_card_file.h"

#include <QDir>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include "foundation/controls.h"
#include "foundation/day_folders.h"
#include "foundation/form_state.h"
#include "foundation/notifier.h"
#include "foundation/text_codec.h"
#include "support/fake_clock.h"
#include "support/files.h"

namespace kazeyomi::test {
namespace {

using namespace Qt::StringLiterals;

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

class CardFileTest : public ::testing::Test {
protected:
    QTemporaryDir base;
    FakeClock clock{QDateTime(QDate(2025, 12, 5), QTime(10, 0))};
    DayFolders folders{base.path(), clock};
    FormState form;
    Answers notifier;

    void SetUp() override
    {
        ASSERT_EQ(folders.createAll(), QStringList());
        form.cardInGrid = {u"大井"_s, 1};
        form.setText(Control::Text6, QString()); // no title captured: the box holds its design text
    }
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

TEST_F(CardFileTest, EmptyTitleSpaceOnlyNumberEmptyChangeColumnAndACommaInACell)
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

TEST_F(CardFileTest, SecondWriteReplacesTheFile)
{
    form.setText(Control::Text6, u"第1競走"_s);
    setRow(1, {u"1"_s, u"1"_s, u"A"_s});
    setRow(2, {u"2"_s, u"2"_s, u"B"_s});
    ASSERT_TRUE(write().ok());
    setRow(2, {u""_s, u""_s, u""_s});
    ASSERT_TRUE(write().ok());
    EXPECT_EQ(readBytes(cardPath()), toCp932(u"第1競走,aa,bb,cc\r\n1,1,A,,,,,,,,,\r\n"_s));
}

TEST_F(CardFileTest, MissingCardFolderIsReportedWithThePath)
{
    setRow(1, {u"1"_s, u"1"_s, u"A"_s});
    ASSERT_TRUE(QDir(folders.cardFolder()).removeRecursively());
    const CardWrite written = write();
    EXPECT_FALSE(written.ok());
    EXPECT_TRUE(written.error.contains(QDir::toNativeSeparators(cardPath()))) << written.error.toStdString();
    EXPECT_FALSE(QFile::exists(cardPath()));
}

TEST_F(CardFileTest, ScheduleCardFileIsReplacedOnlyAfterOk)
{
    form.meetings = {{u"大井"_s, 2, u"大井"_s}};
    const QByteArray startupCard = toCp932(u"第１回　大井　第３日　10:30,a,b,C1,http://x/y/z/1.do,0\r\n"_s);
    writeBytes(cardPath(), startupCard);
    setRow(1, {u"1"_s, u"1"_s, u"A"_s});

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
    EXPECT_EQ(readBytes(cardPath()), toCp932(u",aa,bb,cc\r\n1,1,A,,,,,,,,,\r\n"_s));

    // The card command with --replace writes without asking and is told what it replaced.
    const CardWrite unasked = write(ScheduleCardReplace::Write);
    EXPECT_TRUE(unasked.ok());
    EXPECT_TRUE(unasked.replacedSchedule);
    EXPECT_EQ(notifier.asked.size(), 2);
}

TEST_F(CardFileTest, NothingCapturedWritesNothing)
{
    form.cardInGrid = {};
    EXPECT_FALSE(write().ok());
    EXPECT_TRUE(QDir(folders.cardFolder()).isEmpty());
}

} // namespace
} // namespace kazeyomi::test
