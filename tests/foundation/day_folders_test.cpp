// The day keys, the data folders, the race file key and the field reader of the companion files.
#include "foundation/day_folders.h"

#include <utility>

#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include "foundation/free_format_reader.h"

#include "foundation/controls.h"
#include "foundation/form_state.h"
#include "foundation/race_file_key.h"
#include "support/fake_clock.h"
#include "support/files.h"

using namespace kazeyomi;
using namespace Qt::StringLiterals;

TEST(DayFolders, CreateWhatIsMissingAndNameWhatCannotBeMade)
{
    QTemporaryDir dir;
    test::FakeClock clock(QDateTime(QDate(2025, 12, 5), QTime(9, 0)));
    const DayFolders folders(dir.filePath(u"base"_s), clock);
    EXPECT_EQ(folders.createAll(), QStringList());
    for (const QString& path : {folders.cardFolder(), folders.oddsFolder()})
        EXPECT_TRUE(QFileInfo(path).isDir()) << path.toStdString();
    EXPECT_EQ(folders.createAll(), QStringList()); // all there: nothing to do, nothing wrong

    // A file where the odds root should be: only the two odds folders fail, and are named.
    const DayFolders blocked(dir.filePath(u"other"_s), clock);
    QDir().mkpath(blocked.baseDir());
    test::writeBytes(blocked.oddsRoot(), "x");
    const QStringList problems = blocked.createAll();
    ASSERT_EQ(problems.size(), 2);
    EXPECT_TRUE(problems[0].contains(QDir::toNativeSeparators(blocked.oddsRoot())));
    EXPECT_TRUE(QFileInfo(blocked.cardFolder()).isDir());
}

TEST(TwoDigitRace, KeepsTheLastTwoDigits)
{
    for (const auto& [race, text] : {std::pair{5, "05"}, {10, "10"}, {12, "12"}, {0, "00"}, {123, "23"}})
        EXPECT_EQ(twoDigitRace(race), QString::fromLatin1(text)) << race;
}

TEST(RaceFileKey, IsTheVenueAndTheTwoDigitRaceAsTheyStand)
{
    FormState form;
    const struct {
        const char* name;
        QString venue;
        QString race;
        QString key;
    } rows[] = {
        {"the usual key", u"大井"_s, u"05"_s, u"大井05"_s},
        {"no race yet", QString(), QString(), QString()},
        {"text taken as it is", u"川崎 "_s, u"1"_s, u"川崎 1"_s},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.name);
        form.setText(Control::Text7, r.venue);
        form.setText(Control::Text8, r.race);
        EXPECT_EQ(raceFileKey(form), r.key);
        EXPECT_EQ(raceFilePath(form, u"/base/dat2/251205"_s, u"tanA"_s), u"/base/dat2/251205/"_s + r.key + u".tanA"_s);
    }
}

namespace {

QStringList fieldsOf(const QString& text, FreeFormatReader::TrailingBlanks trailing)
{
    FreeFormatReader reader(text, trailing);
    QStringList fields;
    QString field;
    while (reader.next(field))
        fields << field;
    return fields;
}

} // namespace

TEST(FreeFormatReader, ReadsFieldsAsTheListReaderOfTheCompanionFilesDoes)
{
    using Blanks = FreeFormatReader::TrailingBlanks;
    for (const QStringList& r : test::dataRows(u"free_format_fields.tsv"_s)) {
        SCOPED_TRACE(r[0].toStdString());
        EXPECT_EQ(fieldsOf(r[1], r[2] == u"keep"_s ? Blanks::Keep : Blanks::Drop), r.mid(3));
    }
}

TEST(FreeFormatReader, GivesTheLineAFieldStartsOn)
{
    FreeFormatReader reader(u"a,b\r\n\r\n\"x\ny\",c\nd"_s, FreeFormatReader::TrailingBlanks::Drop);
    QString field;
    int line = 0;
    const int expected[] = {1, 1, 3, 4, 5};
    for (int want : expected) {
        ASSERT_TRUE(reader.next(field, &line));
        EXPECT_EQ(line, want) << field.toStdString();
    }
    EXPECT_FALSE(reader.next(field));
}
