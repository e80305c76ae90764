// What every writer of a race's files shares, over all eleven of them, on grids the scrapers
// filled from the local site's pages: a history gains one whole line per write and loses
// nothing to a failed one; a result file is replaced whole or kept.
#include <QDir>
#include <QFile>

#include "demo/pair_pages.h"
#include "demo/result_pages.h"
#include "demo/triple_pages.h"
#include "foundation/controls.h"
#include "odds/capture/sanfuku_scraper.h"
#include "odds/capture/santan_scraper.h"
#include "odds/capture/tanfuku_scraper.h"
#include "odds/capture/umafuku_scraper.h"
#include "odds/capture/umatan_scraper.h"
#include "odds/capture/wide_scraper.h"
#include "odds/files/pair_writers.h"
#include "odds/files/tanfuku_writers.h"
#include "odds/files/triple_writers.h"
#include "results/result_writers.h"
#include "results/seiseki_scraper.h"
#include "support/failing_device.h"
#include "support/files.h"
#include "support/race_fixture.h"
#include "support/race_pages.h"

using namespace kazeyomi;
using namespace Qt::StringLiterals;

namespace {

using FailAt = test::FailingDevice::FailAt;
using Writer = Outcome (*)(const Context&, const FileDevices&);

const QString kCode = u"2025120520011001"_s;

struct WriterRow {
    const char* ext;
    Writer write;
    bool history; // one line appended per write; otherwise the file is replaced
};

const WriterRow kWriters[] = {
    {"tanA", TanA_write, true},   {"Fuk1", Fuk1_write, true},     {"Fuk2", Fuk2_write, true},
    {"uren", Uren_write, true},   {"utan", Utan_write, true},     {"wideL", WideL_write, true},
    {"wideH", WideH_write, true}, {"3fuku", Sanfuku_write, true}, {"3tan", Santan_arrange, true},
    {"sei", Sei_write, false},    {"jyun", Jyun_write, false},
};

class AllWriters : public test::RaceFixture {
protected:
    void SetUp() override
    {
        RaceFixture::SetUp();
        setRace(u"大井"_s, 10);
        WinPlacePage race;
        race.race = 10;
        race.raceCode = kCode;
        race.runners = sampleRunners(6);
        race.runners[2].state = WinPlaceRunner::State::Scratched;
        for (const auto& [path, body] : test::racePages(race))
            site.setPage(test::kSite + path, body, kOddsPageContentType);
        ASSERT_EQ(TanFuku_get(context, kCode), ScrapeResult::Parsed);
        ASSERT_EQ(Umafuku_get(context, kCode), ScrapeResult::Parsed);
        ASSERT_EQ(Umatan_get(context, kCode), ScrapeResult::Parsed);
        ASSERT_EQ(Wide_get(context, kCode), ScrapeResult::Parsed);
        ASSERT_EQ(Sanfuku_get(context, kCode), ScrapeResult::Parsed);
        ASSERT_EQ(Santan_get(context, kCode), ScrapeResult::Parsed);
        ASSERT_TRUE(Seiseki_get(context, kCode).ok());
        form.setText(Control::Text9, u"10:25"_s);
    }
    QString file(const WriterRow& w) const { return oddsFile(u"大井10."_s + QString::fromLatin1(w.ext)); }
    QString named(const QString& path) const { return QDir::toNativeSeparators(path); }
    QStringList leftovers() const
    {
        return QDir(folders.oddsFolder()).entryList({u"*T"_s, u"*.writing"_s}, QDir::Files);
    }
};

} // namespace

TEST_F(AllWriters, AHistoryGainsOneWholeLinePerWriteAndAResultFileIsReplaced)
{
    for (const WriterRow& w : kWriters) {
        SCOPED_TRACE(w.ext);
        form.setText(Control::Text9, u"10:25"_s);
        ASSERT_EQ(w.write(context, realFiles()).error, QString());
        const QByteArray first = test::readBytes(file(w));
        ASSERT_TRUE(first.endsWith("\r\n"));
        EXPECT_EQ(first.count('\n'), w.history ? 1 : w.ext == QByteArray("jyun") ? 20 : 1);
        form.setText(Control::Text9, u"10:27"_s);
        ASSERT_EQ(w.write(context, realFiles()).error, QString());
        QByteArray second = first;
        if (w.history)
            second = first + QByteArray(first).replace("10:25", "10:27");
        EXPECT_EQ(test::readBytes(file(w)), second);
        EXPECT_EQ(leftovers(), QStringList());
    }
}

// The disk fills up or the file cannot be closed: the file keeps every byte it had, no
// snapshot or temporary file is left, and the failure names the file that failed.
TEST_F(AllWriters, AFailedWriteLeavesTheFileAsItWasAndNamesIt)
{
    const struct {
        const char* name;
        int open; // odds: 0 the snapshot file, 1 the history; results: 0 the new file
        qint64 budget;
        FailAt at;
    } failures[] = {
        {"first file takes no byte", 0, 0, FailAt::Write},  {"first file cut after 20 bytes", 0, 20, FailAt::Write},
        {"first file fails at close", 0, 0, FailAt::Close}, {"history takes half the line", 1, 60, FailAt::Write},
        {"history fails at close", 1, 60, FailAt::Close},
    };
    for (const WriterRow& w : kWriters) {
        SCOPED_TRACE(w.ext);
        ASSERT_EQ(w.write(context, realFiles()).error, QString());
        const QByteArray before = test::readBytes(file(w));
        form.setText(Control::Text9, u"10:27"_s);
        for (const auto& f : failures) {
            if (!w.history && f.open == 1)
                continue;
            SCOPED_TRACE(f.name);
            const QString error = w.write(context, test::FailingFiles(f.budget, f.at, {f.open})).error;
            const QString failed = w.history && f.open == 0 ? file(w) + u'T' : file(w);
            EXPECT_TRUE(error.contains(named(failed))) << error.toStdString();
            EXPECT_EQ(test::readBytes(file(w)), before);
            EXPECT_EQ(leftovers(), QStringList());
        }
    }
}

// The folders or a file are not as the writers expect. After midnight the new day's folder is not
// there yet: an odds writer reports it and writes nothing; a result writer makes it, but never the
// root above it. A folder where the file should be is refused by every writer and left as it is.
TEST_F(AllWriters, TheFoldersOrTheFileAreNotAsExpected)
{
    for (const WriterRow& w : kWriters) {
        SCOPED_TRACE(w.ext);
        clock.set(QDateTime(QDate(2025, 12, 6), QTime(0, 5)));
        QString error = w.write(context, realFiles()).error;
        EXPECT_TRUE(error.contains(named(w.history ? file(w) + u'T' : QString()))) << error.toStdString();
        EXPECT_EQ(error.isEmpty(), !w.history);
        EXPECT_EQ(QFileInfo::exists(file(w)), !w.history);

        ASSERT_TRUE(QDir(folders.oddsRoot()).removeRecursively());
        error = w.write(context, realFiles()).error;
        EXPECT_TRUE(error.contains(named(w.history ? file(w) + u'T' : folders.oddsFolder()))) << error.toStdString();
        EXPECT_FALSE(QFileInfo::exists(folders.oddsRoot()));

        clock.set(QDateTime(QDate(2025, 12, 5), QTime(14, 30)));
        ASSERT_EQ(folders.createAll(), QStringList());
        ASSERT_TRUE(QDir().mkpath(file(w)));
        error = w.write(context, realFiles()).error;
        EXPECT_TRUE(error.contains(named(file(w)))) << error.toStdString();
        EXPECT_TRUE(QFileInfo(file(w)).isDir());
        EXPECT_EQ(leftovers(), QStringList());
    }
}
