// The race fetch where the page cache cannot be removed: file access as another user, which
// needs Linux's setfsuid.
#include <optional>

#include <sys/fsuid.h>
#include <unistd.h>

#include <QFile>
#include <QFileInfo>

#include "support/race_desk.h"

namespace kazeyomi::test {
namespace {

// File access as the user "nobody" while it lives, when the tests run as root.
class FileAccessAsNobody {
public:
    FileAccessAsNobody()
    {
        if (::geteuid() == 0) {
            ::setfsgid(65534);
            ::setfsuid(65534);
        }
    }
    ~FileAccessAsNobody()
    {
        if (::geteuid() == 0) {
            ::setfsuid(0);
            ::setfsgid(0);
        }
    }
    FileAccessAsNobody(const FileAccessAsNobody&) = delete;
    FileAccessAsNobody& operator=(const FileAccessAsNobody&) = delete;
};

TEST_F(RaceGet, AnOldPageThatCannotBeRemovedIsNeverReadAsThisRaces)
{
    // Race 1's win/place page is left in tmp.txt; then the folder can no longer be written.
    serveFake(u"14:25"_s, resultPage(resultBeforeRace(u"大井"_s, 1)));
    ASSERT_TRUE(races.Race_get(u"大井"_s, 1, kRow).ok());
    ASSERT_TRUE(fetcher.Navigate2(oddsUrl()).ok());
    const QByteArray stale = readBytes(context.appFile(u"tmp.txt"_s));
    ASSERT_GT(stale.size(), 1800);
    // Root may write anywhere: file access then goes as "nobody", for whom the odds folders
    // are open and the application folder is read-only.
    const QFile::Permissions open =
        QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner | QFile::ReadOther | QFile::WriteOther | QFile::ExeOther;
    for (QString dir = folders.oddsFolder(); dir.startsWith(base.path()); dir = QFileInfo(dir).path())
        QFile::setPermissions(dir, open);
    ASSERT_TRUE(
        QFile::setPermissions(app.path(), QFile::ReadOwner | QFile::ExeOwner | QFile::ReadOther | QFile::ExeOther));
    QFile::setPermissions(context.appFile(u"tmp.txt"_s), QFile::ReadOwner | QFile::ReadOther);
    const auto before = files();
    std::optional<FileAccessAsNobody> nobody(std::in_place);
    ASSERT_FALSE(QFile(context.appFile(u"tmp.txt"_s)).remove());
    ASSERT_EQ(readBytes(context.appFile(u"tmp.txt"_s)), stale);

    const struct {
        const char* name;
        bool pagesFail;
    } rows[] = {{"pages answer 500", true}, {"pages answer", false}};
    for (const auto& r : rows) {
        SCOPED_TRACE(r.name);
        site.pages.clear();
        if (!r.pagesFail)
            serveFake(u"14:40"_s, resultPage(resultAfterRace(u"大井"_s, 2, 8)));
        const RaceOutcome outcome = races.Race_get(u"大井"_s, 2, kRow);
        EXPECT_TRUE(outcome.written.isEmpty()) << outcome.written.join(u' ').toStdString();
        EXPECT_FALSE(outcome.ok());
        for (const QString& name : kFiles)
            EXPECT_FALSE(QFile::exists(oddsFile(name).replace(u"01."_s, u"02."_s))) << name.toStdString();
    }
    nobody.reset();
    EXPECT_EQ(files(), before);
    EXPECT_EQ(readBytes(context.appFile(u"tmp.txt"_s)), stale);
}

} // namespace
} // namespace kazeyomi::test
