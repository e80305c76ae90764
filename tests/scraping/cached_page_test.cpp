#include "scraping/cached_page.h"

#include <QFile>

#include <gtest/gtest.h>

#include "support/files.h"
#include "support/race_fixture.h"

using namespace kazeyomi;
using namespace kazeyomi::test;
using namespace Qt::StringLiterals;

namespace {

const QString kUrl = u"https://site.test/odds/X01.do"_s;
const PageKind kExactaKind{u"馬単.txt"_s, 60};

class CachedPageTest : public RaceFixture {
protected:
    QString appPath(const QString& name) const { return fetcher.path(name); }
};

} // namespace

TEST_F(CachedPageTest, ThePageCopyFollowsTheFetch)
{
    const QByteArray longBody = "<html><body><p>" + QByteArray(80, 'x') + "</p></body></html>";
    struct Row {
        const char* what;
        QByteArray body; // empty: the site has no such page
        bool ending;
        PageState state;
        bool copyKept; // the old copy is still there
    };
    const Row rows[] = {
        {"a page long enough", longBody, false, PageState::Ready, false},
        {"a page too short", "<p>x</p>", false, PageState::Short, false},
        {"a failed fetch", {}, false, PageState::FetchFailed, false},
        {"the program ending", longBody, true, PageState::FetchFailed, true},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        writeBytes(appPath(u"馬単.txt"_s), "the last page");
        writeBytes(appPath(u"tmp.txt"_s), QByteArray(500, 'o')); // an older page
        site.pages.clear();
        if (!row.body.isEmpty())
            site.setPage(kUrl, row.body);
        if (row.ending)
            fetcher.stop();

        CachedPage page = fetchCachedPage(fetcher, kUrl, kExactaKind);
        EXPECT_EQ(page.state, row.state);
        EXPECT_EQ(page.ready(), row.state == PageState::Ready);
        EXPECT_EQ(page.reason().isEmpty(), page.ready());
        if (row.copyKept) {
            EXPECT_EQ(readBytes(appPath(u"馬単.txt"_s)), "the last page");
        } else if (row.state == PageState::FetchFailed) {
            EXPECT_FALSE(QFile::exists(appPath(u"馬単.txt"_s)));
        } else {
            EXPECT_EQ(readBytes(appPath(u"馬単.txt"_s)), readBytes(appPath(u"tmp.txt"_s)));
            EXPECT_EQ(page.bytes, readBytes(appPath(u"tmp.txt"_s)).size());
        }
        if (page.ready()) {
            QString line;
            ASSERT_TRUE(page.reader.readLine(line));
            EXPECT_TRUE(line.startsWith(u"\"<P>"_s, Qt::CaseInsensitive)) << line.toStdString();
        }
    }
}

TEST_F(CachedPageTest, TheLeastSizeCountsBytesOfThePageCache)
{
    for (const qint64 size : {59, 60}) {
        SCOPED_TRACE(size);
        writeBytes(appPath(u"tmp.txt"_s), QByteArray(size, 'a'));
        CachedPage page = openCachedPage(fetcher, kExactaKind);
        EXPECT_EQ(page.state, size < 60 ? PageState::Short : PageState::Ready);
    }
    // Without a copy name nothing is copied.
    QFile::remove(appPath(u"馬単.txt"_s));
    CachedPage page = openCachedPage(fetcher, {QString(), 1});
    EXPECT_TRUE(page.ready());
    EXPECT_FALSE(QFile::exists(appPath(u"馬単.txt"_s)));
    EXPECT_EQ(page.reader.lineCount(), 1);
}
