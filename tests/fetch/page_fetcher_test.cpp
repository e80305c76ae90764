#include "fetch/page_fetcher.h"

#include <QCoreApplication>
#include <QFile>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTimer>

#include <gtest/gtest.h>

#include "demo/site_server.h"
#include "fetch/http_page_source.h"
#include "fetch/nesting_guard.h"
#include "foundation/controls.h"
#include "foundation/form_state.h"
#include "foundation/text_codec.h"
#include "support/files.h"

using namespace kazeyomi;
using namespace Qt::StringLiterals;

namespace {

constexpr int kLimitMs = 1500;

class Fetching : public ::testing::Test {
protected:
    QTemporaryDir app;
    FormState form;
    SiteServer server;
    HttpPageSource http{kLimitMs};
    PageFetcher fetcher{form, http, app.path(), MarkupStyle::Modern};

    void SetUp() override { ASSERT_TRUE(server.listen()); }
    QString url(const QString& path) const { return server.baseUrl() + path; }
    QByteArray cache() const { return test::readBytes(fetcher.path(u"tmp.txt"_s)); }
    static SiteResponse page(const QByteArray& body)
    {
        SiteResponse r;
        r.body = body;
        return r;
    }
};

} // namespace

TEST_F(Fetching, WritesTheBodyMarkupQuotedWithCrLfLines)
{
    server.setPage(u"/odds/1.do"_s, page("<html><head><title>t</title></head><body><p class=\"a\">x \"y\"</p>\n"
                                         "<td>1</td>\r<td>2</td>\r\n<SCRIPT>var a = 1;</script></body></html>"));
    EXPECT_TRUE(fetcher.Navigate2(url(u"/odds/1.do"_s)).ok());
    EXPECT_EQ(fetcher.lastError(), QString());
    EXPECT_EQ(cache(), QByteArray("\"<p class=\"\"a\"\">x \"\"y\"\"</p>\r\n"
                                  "1\r\n2\r\n<sscript>var a = 1;\r\n</sscript>\"\r\n"));
    EXPECT_FALSE(QFile::exists(fetcher.path(u"tmp.html"_s)));
    EXPECT_TRUE(QFile::exists(fetcher.path(u"a.html"_s)));
    EXPECT_EQ(form.text(Control::Text10), QString());
    EXPECT_FALSE(form.fetchLampRed());
    ASSERT_FALSE(server.requests().isEmpty());
    EXPECT_EQ(server.requests().back().headers.value("if-modified-since"), QByteArray("Sat, 29 Oct 1994 19:43:31 GMT"));
}

TEST_F(Fetching, AShiftJisPageAndAUtf8PageGiveTheSameCacheText)
{
    const QString body = u"<html><body><p>複勝</p>\r\n<b>大井－～</b></body></html>"_s;
    SiteResponse sjis = page(toCp932(body));
    sjis.contentType = "text/html; charset=Shift_JIS";
    SiteResponse utf8 = page(body.toUtf8());
    utf8.contentType = "text/html; charset=UTF-8";
    server.setPage(u"/sjis"_s, sjis);
    server.setPage(u"/utf8"_s, utf8);
    EXPECT_TRUE(fetcher.Navigate2(url(u"/sjis"_s)).ok());
    const QByteArray first = cache();
    EXPECT_TRUE(fetcher.Navigate2(url(u"/utf8"_s)).ok());
    EXPECT_EQ(cache(), first);
    EXPECT_EQ(first, toCp932(u"\"<p>複勝</p>\r\n<b>大井－～</b>\r\n\"\r\n"_s));
}

TEST_F(Fetching, AnEmptyAddressLeavesTheCacheAndTheRedLamp)
{
    test::writeBytes(fetcher.path(u"tmp.txt"_s), "previous");
    form.setText(Control::Text10, u"x"_s);
    EXPECT_FALSE(fetcher.Navigate2(QString()).ok());
    EXPECT_EQ(cache(), QByteArray("previous"));
    EXPECT_EQ(form.text(Control::Text10), QString());
    EXPECT_TRUE(form.fetchLampRed());
}

// Qt's complaint about a reply given a second error, which aborting a failed reply brings.
QStringList networkWarnings;

void keepNetworkWarnings(QtMsgType, const QMessageLogContext&, const QString& message)
{
    if (message.contains(u"QNetworkReply"_s))
        networkWarnings << message;
}

TEST_F(Fetching, EveryFailureEndsInTimeLeavesNoCacheAndIsReported)
{
    SiteServer other;
    ASSERT_TRUE(other.listen());
    other.setPage(u"/odds/x"_s, page("<body>another site's odds</body>"));
    const auto redirect = [](const QString& to) {
        SiteResponse r;
        r.status = 302;
        r.headers = {{"Location", to.toLatin1()}};
        return r;
    };
    SiteResponse slow = page("<body>late</body>");
    slow.delayBeforeMs = kLimitMs + 2000;
    SiteResponse stalled = page(QByteArray(4000, 'x'));
    stalled.pauseAfterBytes = 100;
    stalled.pauseMs = kLimitMs + 2000;
    SiteResponse stalledError = stalled;
    stalledError.status = 500;
    SiteResponse cut = page(QByteArray(5000, 'x'));
    cut.cutAfterBytes = 1000;
    SiteResponse closed;
    closed.drop = SiteResponse::Drop::CloseWithoutAnswer;
    SiteResponse reset;
    reset.drop = SiteResponse::Drop::Reset;
    SiteResponse error = page("<body>server error page</body>");
    error.status = 500;
    SiteResponse huge = page(QByteArray(20 * 1024 * 1024, 'x'));
    SiteResponse hugeError = huge;
    hugeError.status = 404;
    server.setPage(u"/loop/b"_s, redirect(url(u"/loop/a"_s)));
    const struct {
        const char* name;
        SiteResponse response;
        QString reason;
    } rows[] = {
        {"delay before the answer", slow, u"within"_s},
        {"stall during the body", stalled, u"within"_s},
        {"stall during an error page", stalledError, u"within"_s},
        {"body cut short", cut, {}},
        {"closed without answer", closed, {}},
        {"connection reset", reset, {}},
        {"status 500", error, u"500"_s},
        {"20 MB body", huge, u"larger than 8 MiB"_s},
        {"20 MB error page", hugeError, u"larger than 8 MiB"_s},
        {"redirect to another host", redirect(u"http://elsewhere.invalid/x"_s), u"elsewhere.invalid"_s},
        {"redirect to another port", redirect(other.baseUrl() + u"/odds/x"_s), other.baseUrl() + u"/odds/x"_s},
        // Qt may end this one itself with an interim status 100: a failure all the same, named
        {"redirect loop", redirect(url(u"/loop/b"_s)), url(u"/loop/"_s)},
        {"redirect to itself", redirect(url(u"/fail/redirect_to_itself"_s)),
         u"in a loop, back to "_s + url(u"/fail/redirect_to_itself"_s)},
    };
    networkWarnings.clear();
    const QtMessageHandler previous = qInstallMessageHandler(keepNetworkWarnings);
    for (const auto& r : rows) {
        SCOPED_TRACE(r.name);
        const QString path = u"/fail/"_s + QString::fromLatin1(r.name).replace(u' ', u'_');
        server.setPage(path, r.response);
        if (path == u"/fail/redirect_loop"_s)
            server.setPage(u"/loop/a"_s, r.response);
        test::writeBytes(fetcher.path(u"tmp.txt"_s), "the previous page");
        const int logged = int(form.fetchLog().size());
        EXPECT_FALSE(fetcher.Navigate2(url(path)).ok());
        EXPECT_FALSE(QFile::exists(fetcher.path(u"tmp.txt"_s)));
        ASSERT_EQ(form.fetchLog().size(), logged + 1);
        EXPECT_TRUE(form.fetchLog().back().contains(url(path))) << form.fetchLog().back().toStdString();
        EXPECT_TRUE(fetcher.lastError().contains(r.reason)) << fetcher.lastError().toStdString();
        EXPECT_FALSE(form.fetchLampRed());
    }
    // Given up while its body comes: abandoned, then stopped.
    SiteResponse coming = page(QByteArray(6000, 'x'));
    coming.pauseAfterBytes = 3000;
    coming.pauseMs = 10000;
    server.setPage(u"/coming"_s, coming);
    for (const bool stop : {false, true}) {
        const qsizetype asked = server.requests().size();
        fetcher.prefetch({url(u"/coming"_s)});
        while (server.requests().size() == asked)
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
        if (stop)
            fetcher.stop();
        else
            fetcher.abandonPrefetch();
    }
    QCoreApplication::processEvents();
    qInstallMessageHandler(previous);
    EXPECT_EQ(other.requests().size(), 0);
    EXPECT_EQ(networkWarnings, QStringList());
}

TEST_F(Fetching, ASlowButHealthyPageWithinTheLimitArrivesWhole)
{
    QByteArray body = "<html><body>";
    for (int i = 0; i < 2000; ++i)
        body += "<p>" + QByteArray::number(i) + "</p>\n";
    body += "</body></html>";
    SiteResponse slow = page(body);
    slow.delayBeforeMs = 300;
    slow.pauseAfterBytes = body.size() / 2;
    slow.pauseMs = 400;
    server.setPage(u"/slow"_s, slow);
    EXPECT_TRUE(fetcher.Navigate2(url(u"/slow"_s)).ok());
    EXPECT_EQ(fetcher.lastError(), QString());
    EXPECT_TRUE(cache().endsWith("<p>1999</p>\r\n\r\n\"\r\n"));
}

TEST_F(Fetching, WithoutASiteAddressTheFetchSaysHowToSetIt)
{
    EXPECT_FALSE(fetcher.Navigate2(u"/odds/123401.do"_s).ok());
    EXPECT_TRUE(fetcher.lastError().contains(u"--site"_s));
    EXPECT_TRUE(fetcher.lastError().contains(u"KAZEYOMI_SITE_URL"_s));
    EXPECT_FALSE(QFile::exists(fetcher.path(u"tmp.txt"_s)));
}

TEST_F(Fetching, FollowsARedirectOnTheSameHostAndUnpacksACompressedPage)
{
    const QByteArray body = "<html><body><p>moved and packed</p></body></html>";
    SiteResponse packed = page(qCompress(body).mid(4)); // a zlib stream, as "deflate" sends it
    packed.headers = {{"Content-Encoding", "deflate"}};
    server.setPage(u"/new"_s, packed);
    SiteResponse moved;
    moved.status = 302;
    moved.headers = {{"Location", (url(u"/new"_s)).toLatin1()}};
    server.setPage(u"/old"_s, moved);
    EXPECT_TRUE(fetcher.Navigate2(url(u"/old"_s)).ok());
    EXPECT_EQ(fetcher.lastError(), QString());
    EXPECT_EQ(cache(), QByteArray("\"<p>moved and packed</p>\r\n\"\r\n"));
}

TEST(PageText, EndsWithTheLineEndTheBrowserIsGivenAfterTheBody)
{
    const struct {
        const char* name;
        QByteArray body;
        QByteArray text;
    } rows[] = {
        {"body ends in an open element", "<html><body><div>a\r\n<b>x", "\"<div>a\r\n<b>x\r\n</b></div>\"\r\n"},
        {"document closed", "<html><body><p>x</p></body></html>", "\"<p>x</p>\r\n\"\r\n"},
        {"body already ends with CR LF", "<body><p>x</p>\r\n", "\"<p>x</p>\r\n\r\n\"\r\n"},
        {"empty page: blanks before the document are dropped", "", "\"\"\r\n"},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.name);
        const RenderedPage page = PageFetcher::renderPage(r.body, "text/html; charset=Shift_JIS", MarkupStyle::Modern);
        ASSERT_TRUE(page.ok());
        EXPECT_EQ(toCp932(PageFetcher::cacheText(page.markup)), r.text);
    }
}

TEST_F(Fetching, TheFetchAndTheRenderCommandGiveTheSameText)
{
    const QByteArray body = "<html><body><table><tr><td>1<td>\x91\xE5\x88\xE4";
    server.setPage(u"/open"_s, page(body));
    ASSERT_TRUE(fetcher.Navigate2(url(u"/open"_s)).ok());
    const RenderedPage rendered = PageFetcher::renderPage(body, "text/html; charset=Shift_JIS", MarkupStyle::Modern);
    EXPECT_EQ(cache(), toCp932(PageFetcher::cacheText(rendered.markup)));
    EXPECT_TRUE(cache().endsWith("\x91\xE5\x88\xE4\r\n</td></tr></tbody></table>\"\r\n"));
}

TEST_F(Fetching, HostilePagesAreRenderedOrRefusedWithoutHanging)
{
    const auto times = [](const QByteArray& piece, int n) { return "<html><body>" + piece.repeated(n); };
    const struct {
        const char* name;
        QByteArray body;
        bool refused;
    } rows[] = {
        {"160,000 script starts in 1.1 MB", times("<script", 160000), false},
        {"unmatched end tags after each div", times("<div></x>", 100000), true},
        {"end tag inside an attribute value", times("<div title='</div>'>", 30000), true},
        {"end tag inside a style element", times("<div><style></div></style>", 30000), true},
        {"end tags behind a special element", times("<span><div></span>", 30000), true},
        {"many closed divs", times("<div>x</div>", 100000), false},
        {"nested one level too deep", times("<div>", kMaxNestingDepth + 1), true},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.name);
        const QString path = u"/hostile/"_s + QString::fromLatin1(r.name).replace(u' ', u'_');
        server.setPage(path, page(r.body));
        // Their speed is bench/'s and the attacks' (tests/fuzz): here, that each ends as it should.
        const PageFetch fetch = fetcher.Navigate2(url(path));
        EXPECT_EQ(fetch.ok(), !r.refused) << fetch.error.toStdString();
        // The render command goes the same way.
        EXPECT_EQ(PageFetcher::renderPage(r.body, {}, MarkupStyle::Modern).ok(), !r.refused);
    }
}

TEST_F(Fetching, AStopGivesUpTheStalledPageAndRefusesLaterFetchesWithoutARequest)
{
    SiteResponse stalled = page(QByteArray(6000, 'x'));
    stalled.pauseAfterBytes = 4000;
    stalled.pauseMs = 10000;
    server.setPage(u"/stall"_s, stalled);
    test::writeBytes(fetcher.path(u"tmp.txt"_s), "the previous page");
    QTimer::singleShot(200, qApp, [&] { fetcher.stop(); });
    const PageFetch fetch = fetcher.Navigate2(url(u"/stall"_s));
    EXPECT_FALSE(fetch.ok());
    EXPECT_TRUE(fetch.interrupted);
    // Given up at the stop, not at the page's time limit.
    EXPECT_TRUE(fetch.error.contains(u"the program is ending"_s)) << fetch.error.toStdString();
    // The program is ending: not even the cache files are touched.
    EXPECT_EQ(cache(), QByteArray("the previous page"));
    const qsizetype requests = server.requests().size();
    const PageFetch later = fetcher.Navigate2(url(u"/stall"_s));
    EXPECT_TRUE(later.interrupted);
    EXPECT_EQ(server.requests().size(), requests);
}

TEST(Redirects, AreFollowedOnTheSameSiteAndFromHttpToHttpsOnTheSameHost)
{
    const struct {
        const char* from;
        const char* to;
        bool followed;
    } rows[] = {
        {"http://a.test/x", "http://a.test/y", true},       {"http://a.test/x", "https://a.test/y", true},
        {"http://a.test:8080/x", "https://A.TEST/y", true}, {"https://a.test/x", "https://a.test:443/y", true},
        {"https://a.test/x", "http://a.test/y", false},     {"http://a.test/x", "http://a.test:8080/y", false},
        {"http://a.test/x", "https://b.test/y", false},     {"http://a.test/x", "http://a.test.evil/y", false},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(std::string(r.from) + " -> " + r.to);
        EXPECT_EQ(HttpPageSource::followsRedirect(QUrl(QString::fromLatin1(r.from)), QUrl(QString::fromLatin1(r.to))),
                  r.followed);
    }
}

TEST_F(Fetching, ARedirectToHttpsOnTheSameHostIsFollowed)
{
    // A listener that takes the TLS connection and closes it: enough to see it was tried.
    QTcpServer tls;
    ASSERT_TRUE(tls.listen(QHostAddress::LocalHost));
    int connections = 0;
    QObject::connect(&tls, &QTcpServer::newConnection, [&] {
        while (QTcpSocket* socket = tls.nextPendingConnection()) {
            ++connections;
            socket->abort();
            socket->deleteLater();
        }
    });
    SiteResponse moved;
    moved.status = 301;
    moved.headers = {{"Location", "https://127.0.0.1:" + QByteArray::number(tls.serverPort()) + "/new"}};
    server.setPage(u"/old"_s, moved);
    EXPECT_FALSE(fetcher.Navigate2(url(u"/old"_s)).ok());
    EXPECT_EQ(connections, 1);
}

// Prefetched answers are taken by address, each once, in the order asked; a page asked for
// twice comes twice; an address not asked for ahead is fetched on its own.
TEST_F(Fetching, PrefetchedPagesAreTakenByAddressEachOnce)
{
    server.setPage(u"/a"_s, page("<p>a</p>"));
    SiteResponse slow = page("<p>b</p>");
    slow.delayBeforeMs = 200;
    server.setPage(u"/b"_s, slow);
    server.setPage(u"/c"_s, page("<p>c</p>"));
    fetcher.prefetch({url(u"/b"_s), url(u"/a"_s), url(u"/a"_s)});
    for (const char* path : {"/a", "/b", "/a", "/c"}) {
        SCOPED_TRACE(path);
        ASSERT_TRUE(fetcher.Navigate2(url(QString::fromLatin1(path))).ok());
        EXPECT_EQ(cache(), "\"<p>" + QByteArray(path + 1) + "</p>\r\n\"\r\n");
    }
    EXPECT_EQ(server.requests().size(), 4);
    EXPECT_EQ(server.hits(u"/a"_s), 2);
    // The two answers of /a are the same page, rendered once.
    EXPECT_EQ(fetcher.renderings(), 3);
}

// A race that ends after its first page leaves its other pages unrendered, large as they are.
TEST_F(Fetching, PagesOfARaceThatEndedEarlyAreNotRendered)
{
    // A time limit that no load on the machine reaches: only the renderings are counted.
    HttpPageSource patient(60000);
    PageFetcher pages(form, patient, app.path(), MarkupStyle::Modern);
    pages.setBackgroundRenderers(1);
    SiteResponse first = page("<p>cancelled</p>");
    first.delayBeforeMs = 1000; // the other pages arrive and wait for a renderer meanwhile
    server.setPage(u"/first"_s, first);
    const QByteArray rows = QByteArray("<tr><td>1</td><td>2.3</td><td>4.5</td></tr>\n").repeated(150000);
    QStringList urls{url(u"/first"_s)};
    for (int i = 1; i <= 5; ++i) { // with the first, one on each of the six connections
        server.setPage(u"/large%1"_s.arg(i), page("<html><body><table>" + rows + "</table></body></html>"));
        urls << url(u"/large%1"_s.arg(i));
    }
    pages.prefetch(urls);
    ASSERT_TRUE(pages.Navigate2(url(u"/first"_s)).ok());
    pages.abandonPrefetch();
    pages.waitForRenderers();
    // The first page, and only those of the others the one renderer had started on before.
    EXPECT_LT(pages.renderings(), 1 + 5);
}

TEST_F(Fetching, AStopEndsTheWaitForAPrefetchedPage)
{
    SiteResponse stalled = page(QByteArray(6000, 'x'));
    stalled.delayBeforeMs = 10000;
    server.setPage(u"/stall"_s, stalled);
    fetcher.prefetch({url(u"/stall"_s)});
    QTimer::singleShot(200, qApp, [&] { fetcher.stop(); });
    const PageFetch fetch = fetcher.Navigate2(url(u"/stall"_s));
    EXPECT_TRUE(fetch.interrupted);
    EXPECT_TRUE(fetch.error.contains(u"the program is ending"_s)) << fetch.error.toStdString();
    EXPECT_FALSE(QFile::exists(fetcher.path(u"tmp.txt"_s)));
}

// Seven pages asked for at once share six connections: the seventh waits for one, and its time
// limit counts from when it goes out.
TEST_F(Fetching, APageWaitingForAConnectionHasItsWholeTimeLimit)
{
    QStringList urls;
    for (int i = 1; i <= 6; ++i) {
        SiteResponse slow = page("<p>slow</p>");
        slow.delayBeforeMs = kLimitMs * 2 / 3;
        server.setPage(u"/slow%1"_s.arg(i), slow);
        urls << url(u"/slow%1"_s.arg(i));
    }
    SiteResponse last = page("<p>last</p>");
    last.delayBeforeMs = kLimitMs * 2 / 3;
    server.setPage(u"/last"_s, last);
    urls << url(u"/last"_s);
    fetcher.prefetch(urls);
    for (const QString& address : urls)
        EXPECT_TRUE(fetcher.Navigate2(address).ok()) << fetcher.lastError().toStdString();
    EXPECT_EQ(cache(), "\"<p>last</p>\r\n\"\r\n");
}
