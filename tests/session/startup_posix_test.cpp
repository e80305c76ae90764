// Start-up against FIFOs and device links in place of its input files: POSIX calls only.
#include <algorithm>
#include <chrono>
#include <functional>
#include <future>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include "foundation/card_files.h"
#include "foundation/day_folders.h"
#include "foundation/form_state.h"
#include "session/startup.h"
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

TEST(StartupInputs, RefusesInputFilesThatAreNotRegularFilesWithoutWaitingOnThem)
{
    const test::FakeClock clock{QDateTime(QDate(2025, 12, 5), QTime(9, 0))};
    const auto fifo = [](const QString& path) { ASSERT_EQ(::mkfifo(QFile::encodeName(path).constData(), 0600), 0); };
    const struct {
        const char* name;
        QString file;
        std::function<void(const QString&)> make;
        QString words;
    } rows[] = {
        {"FIFO as the meeting list", u"zen.txt"_s, fifo, u"not a regular file"_s},
        {"FIFO as a race card", u"oi01.txt"_s, fifo, u"not a regular file"_s},
        {"link to /dev/zero", u"oi01.txt"_s, [](const QString& p) { ASSERT_TRUE(QFile::link(u"/dev/zero"_s, p)); },
         u"links to /dev/zero"_s},
        {"folder as a race card", u"oi01.txt"_s, [](const QString& p) { ASSERT_TRUE(QDir().mkpath(p)); },
         u"a folder"_s},
        {"link to a sound race card",
         u"oi01.txt"_s, // read through the link
         [](const QString& p) {
             const QString target = p + u".real"_s;
             test::writeCp932(target, test::raceCardText(u"大井"_s, u"10:30"_s, u"x"_s, u"https://s.jp/r/1.do"_s));
             ASSERT_TRUE(QFile::link(target, p));
         },
         {}},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.name);
        QTemporaryDir base;
        const DayFolders day(base.path(), clock);
        ASSERT_TRUE(day.createAll().isEmpty());
        const QString path = QDir(day.cardFolder()).filePath(r.file);
        test::writeCp932(QDir(day.cardFolder()).filePath(u"zen.txt"_s), u"\"oi\",1,x\r\n"_s);
        QFile::remove(path);
        r.make(path);

        // A reader stuck in the open of a FIFO is let go by opening the other end, so a fault
        // fails here instead of hanging the suite.
        auto reading = std::async(std::launch::async, [&] { return readDayCards(day.cardFolder()); });
        if (reading.wait_for(std::chrono::seconds(1)) != std::future_status::ready) {
            ADD_FAILURE() << "start-up waits on " << path.toStdString();
            while (reading.wait_for(std::chrono::milliseconds(10)) != std::future_status::ready)
                if (const int fd = ::open(QFile::encodeName(path).constData(), O_RDWR | O_NONBLOCK); fd >= 0)
                    ::close(fd);
            continue;
        }
        EXPECT_EQ(reading.get().races.empty(), !r.words.isEmpty());
        FormState fresh;
        const StartupResult result = Form_Initialize(fresh, day, clock);
        if (r.words.isEmpty()) {
            EXPECT_TRUE(result.ok()) << result.message.toStdString();
            continue;
        }
        EXPECT_EQ(result.outcome, StartupResult::Outcome::Problems);
        EXPECT_TRUE(anyLineHas(result.message, QDir::toNativeSeparators(path), r.words))
            << result.message.toStdString();
    }
}

} // namespace
