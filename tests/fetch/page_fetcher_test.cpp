#include "fetch/page_fetcher.h"

#include <memory>

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
#include "fetch/render_pool.h"
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
    static SiteResponse page(const QByteArray& body) { return {.body = body}; }
    static SiteResponse redirect(const QString& to)
    {
        return {.status = 302, .headers = {{"Location", to.toLatin1()}}};
    }
};

} // namespace

// Every page comes to tmp.txt, and in the page the fetch hands back, as the text the render
// command makes of its body: quoted, CR LF lines, scripts disabled, in whatever character set.
TEST_F(Fetching, APageArrivesAsTheCacheTextOfItsBody)
{
    // A zlib stream, as "deflate" sends it.
    server.setPage(u"/packed"_s,
                   {.body = qCompress(QByteArray("<html><body><p>moved and packed</p></body></html>")).mid(4),
                    .headers = {{"Content-Encoding", "deflate"}}});
    const QString sjis = u"<html><body><p>複勝</p>\r\n<b>大井－～</b></body></html>"_s;
    QByteArray many = "<html><body>";
    for (int i = 0; i < 2000; ++i)
        many += "<p>" + QByteArray::number(i) + "</p>\n";
    const QByteArray manyText = "\"" + QByteArray(many).mid(12).replace("\n", "\r\n") + "\r\n\"\r\n";
    const struct {
        const char* name;
        SiteResponse response;
        QByteArray text;
        bool rendered = true; // the body as sent is the page (not a redirect or packed)
    } rows[] = {
        {"quotes, line ends, scripts",
         page("<html><head><title>t</title></head><body><p class=\"a\">x \"y\"</p>\n"
              "<td>1</td>\r<td>2</td>\r\n<SCRIPT>var a = 1;</script></body></html>"),
         "\"<p class=\"\"a\"\">x \"\"y\"\"</p>\r\n1\r\n2\r\n<sscript>var a = 1;\r\n</sscript>\"\r\n"},
        {"Shift_JIS page", page(toCp932(sjis)), toCp932(u"\"<p>複勝</p>\r\n<b>大井－～</b>\r\n\"\r\n"_s)},
        {"the same page in UTF-8",
         {.body = sjis.toUtf8(), .contentType = "text/html; charset=UTF-8"},
         toCp932(u"\"<p>複勝</p>\r\n<b>大井－～</b>\r\n\"\r\n"_s)},
        {"body ends in an open element", page("<html><body><div>a\r\n<b>x"), "\"<div>a\r\n<b>x\r\n</b></div>\"\r\n"},
        {"open table", page("<html><body><table><tr><td>1<td>\x91\xE5\x88\xE4"),
         "\"<table><tbody><tr><td>1</td><td>\x91\xE5\x88\xE4\r\n</td></tr></tbody></table>\"\r\n"},
        {"document closed", page("<html><body><p>x</p></body></html>"), "\"<p>x</p>\r\n\"\r\n"},
        {"body already ends with CR LF", page("<body><p>x</p>\r\n"), "\"<p>x</p>\r\n\r\n\"\r\n"},
        {"empty page", page(""), "\"\"\r\n"},
        {"slow but within the limit, in two parts",
         {.body = many + "</body></html>", .delayBeforeMs = 300, .pauseAfterBytes = many.size() / 2, .pauseMs = 400},
         manyText},
        {"redirect on the same host to a packed page", redirect(url(u"/packed"_s)),
         "\"<p>moved and packed</p>\r\n\"\r\n", false},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.name);
        const QString path = u"/page/"_s + QString::fromLatin1(r.name).replace(u' ', u'_');
        server.setPage(path, r.response);
        const PageFetch fetch = fetcher.Navigate2(url(path));
        ASSERT_TRUE(fetch.ok()) << fetch.error.toStdString();
        EXPECT_EQ(cache(), r.text);
        EXPECT_EQ(fetch.page ? fetch.page->bytes : QByteArray(), r.text);
        const RenderedPage rendered = renderPage(r.response.body, r.response.contentType, MarkupStyle::Modern);
        EXPECT_EQ(r.rendered ? toCp932(cacheText(rendered.markup)) : r.text, r.text);
        EXPECT_FALSE(QFile::exists(fetcher.path(u"tmp.html"_s)));
        EXPECT_EQ(form.text(Control::Text10), QString());
        EXPECT_FALSE(form.fetchLampRed());
        EXPECT_EQ(server.requests().back().headers.value("if-modified-since"),
                  QByteArray("Sat, 29 Oct 1994 19:43:31 GMT"));
    }
    EXPECT_TRUE(QFile::exists(fetcher.path(u"a.html"_s)));
    // An empty address fetches nothing and leaves the cache and the red lamp.
    test::writeBytes(fetcher.path(u"tmp.txt"_s), "previous");
    form.setText(Control::Text10, u"x"_s);
    EXPECT_FALSE(fetcher.Navigate2(QString()).ok());
    EXPECT_EQ(cache(), QByteArray("previous"));
    EXPECT_EQ(form.text(Control::Text10), QString());
    EXPECT_TRUE(form.fetchLampRed());
}

// Qt's complaint about a reply given a second error, which aborting a failed reply brings.
QStringList networkWarnings;

TEST_F(Fetching, EveryFailureEndsInTimeLeavesNoCacheAndIsReported)
{
    SiteServer other;
    ASSERT_TRUE(other.listen());
    other.setPage(u"/odds/x"_s, page("<body>another site's odds</body>"));
    // A listener that takes a TLS connection and closes it: enough to see the redirect was followed.
    QTcpServer tls;
    ASSERT_TRUE(tls.listen(QHostAddress::LocalHost));
    int connections = 0;
    QObject::connect(&tls, &QTcpServer::newConnection, [&] {
        for (; QTcpSocket* socket = tls.nextPendingConnection(); ++connections)
            socket->abort();
    });
    const QByteArray huge(20 * 1024 * 1024, 'x');
    const auto stalled = [](int status) {
        return SiteResponse{
            .status = status, .body = QByteArray(4000, 'x'), .pauseAfterBytes = 100, .pauseMs = kLimitMs + 2000};
    };
    server.setPage(u"/loop/b"_s, redirect(url(u"/loop/a"_s)));
    const struct {
        const char* name;
        SiteResponse response;
        QString reason;
        QString address = {}; // when not the local site's
    } rows[] = {
        {"delay before the answer", {.body = "<body>late</body>", .delayBeforeMs = kLimitMs + 2000}, u"within"_s},
        {"stall during the body", stalled(200), u"within"_s},
        {"stall during an error page", stalled(500), u"within"_s},
        {"body cut short", {.body = QByteArray(5000, 'x'), .cutAfterBytes = 1000}, {}},
        {"closed without answer", {.drop = SiteResponse::Drop::CloseWithoutAnswer}, {}},
        {"connection reset", {.drop = SiteResponse::Drop::Reset}, {}},
        {"status 500", {.status = 500, .body = "<body>server error page</body>"}, u"500"_s},
        {"20 MB body", {.body = huge}, u"larger than 8 MiB"_s},
        {"20 MB error page", {.status = 404, .body = huge}, u"larger than 8 MiB"_s},
        {"redirect to another host", redirect(u"http://elsewhere.invalid/x"_s), u"elsewhere.invalid"_s},
        {"redirect to another port", redirect(other.baseUrl() + u"/odds/x"_s), other.baseUrl() + u"/odds/x"_s},
        // Qt may end this one itself with an interim status 100: a failure all the same, named
        {"redirect loop", redirect(url(u"/loop/b"_s)), url(u"/loop/"_s)},
        {"redirect to itself", redirect(url(u"/fail/redirect_to_itself"_s)),
         u"in a loop, back to "_s + url(u"/fail/redirect_to_itself"_s)},
        {"redirect to https on the same host", redirect(u"https://127.0.0.1:%1/new"_s.arg(tls.serverPort())), {}},
        {"no site address", {}, u"give it with --site/--portal, KAZEYOMI_SITE_URL"_s, u"/odds/123401.do"_s},
    };
    networkWarnings.clear();
    const QtMessageHandler previous =
        qInstallMessageHandler([](QtMsgType, const QMessageLogContext&, const QString& m) {
            if (m.contains(u"QNetworkReply"_s))
                networkWarnings << m;
        });
    for (const auto& r : rows) {
        SCOPED_TRACE(r.name);
        const QString path = u"/fail/"_s + QString::fromLatin1(r.name).replace(u' ', u'_');
        server.setPage(path, r.response);
        if (path == u"/fail/redirect_loop"_s)
            server.setPage(u"/loop/a"_s, r.response);
        test::writeBytes(fetcher.path(u"tmp.txt"_s), "the previous page");
        const int logged = int(form.fetchLog().size());
        const QString address = r.address.isEmpty() ? url(path) : r.address;
        const PageFetch fetch = fetcher.Navigate2(address);
        EXPECT_FALSE(fetch.ok());
        EXPECT_FALSE(fetch.page);
        EXPECT_FALSE(QFile::exists(fetcher.path(u"tmp.txt"_s)));
        ASSERT_EQ(form.fetchLog().size(), logged + 1);
        EXPECT_EQ(form.fetchLog().back().right(fetch.error.size()), fetch.error);
        EXPECT_TRUE(fetch.error.contains(address)) << fetch.error.toStdString();
        EXPECT_TRUE(fetch.error.contains(r.reason)) << fetch.error.toStdString();
        EXPECT_FALSE(form.fetchLampRed());
    }
    // Given up while its body comes: abandoned, then stopped.
    server.setPage(u"/coming"_s, {.body = QByteArray(6000, 'x'), .pauseAfterBytes = 3000, .pauseMs = 10000});
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
    EXPECT_EQ(connections, 1);
    EXPECT_EQ(networkWarnings, QStringList());
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
        {"nothing but tags, one level too deep", QByteArray("<div>").repeated(kMaxNestingDepth + 1), true},
        {"nothing but tags, as deep as allowed", QByteArray("<div>").repeated(kMaxNestingDepth), false},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.name);
        const QString path = u"/hostile/"_s + QString::fromLatin1(r.name).replace(u' ', u'_');
        server.setPage(path, page(r.body));
        // Their speed is bench/'s and the attacks' (tests/fuzz): here, that each ends as it should.
        const PageFetch fetch = fetcher.Navigate2(url(path));
        EXPECT_EQ(fetch.ok(), !r.refused) << fetch.error.toStdString();
        // The render command goes the same way.
        EXPECT_EQ(renderPage(r.body, {}, MarkupStyle::Modern).ok(), !r.refused);
    }
}

// A stop ends the wait for a page, asked for ahead or not, and refuses later fetches without a
// request; the program is ending, so not even the cache files are touched.
TEST_F(Fetching, AStopGivesUpTheStalledPageAndRefusesLaterFetches)
{
    server.setPage(u"/stall"_s, {.body = QByteArray(6000, 'x'), .pauseAfterBytes = 4000, .pauseMs = 10000});
    for (const bool prefetched : {false, true}) {
        SCOPED_TRACE(prefetched ? "prefetched" : "fetched on its own");
        HttpPageSource source(kLimitMs);
        PageFetcher stopping(form, source, app.path(), MarkupStyle::Modern);
        test::writeBytes(fetcher.path(u"tmp.txt"_s), "the previous page");
        if (prefetched)
            stopping.prefetch({url(u"/stall"_s)});
        QTimer::singleShot(200, qApp, [&] { stopping.stop(); });
        const PageFetch fetch = stopping.Navigate2(url(u"/stall"_s));
        EXPECT_TRUE(fetch.interrupted);
        // Given up at the stop, not at the page's time limit.
        EXPECT_TRUE(fetch.error.contains(u"the program is ending"_s)) << fetch.error.toStdString();
        EXPECT_EQ(cache(), QByteArray("the previous page"));
        const qsizetype requests = server.requests().size();
        EXPECT_TRUE(stopping.Navigate2(url(u"/stall"_s)).interrupted);
        EXPECT_EQ(server.requests().size(), requests);
    }
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

// Prefetched answers are taken by address, each once, in the order asked; a page asked for
// twice comes twice; an address not asked for ahead is fetched on its own. Seven slow pages share
// six connections: the seventh waits for one, and its time limit counts from when it goes out.
TEST_F(Fetching, PrefetchedPagesAreTakenByAddressEachOnce)
{
    QStringList slow;
    for (int i = 1; i <= 7; ++i) {
        slow << u"/slow%1"_s.arg(i);
        server.setPage(slow.back(),
                       {.body = "<p>slow" + QByteArray::number(i) + "</p>", .delayBeforeMs = kLimitMs * 2 / 3});
    }
    for (const QString& path : {u"/a"_s, u"/b"_s, u"/c"_s})
        server.setPage(path, page("<p>" + path.mid(1).toLatin1() + "</p>"));
    QStringList asked;
    for (const QString& path : slow + QStringList{u"/b"_s, u"/a"_s, u"/a"_s})
        asked << url(path);
    fetcher.prefetch(asked);
    for (const QString& path : slow + QStringList{u"/a"_s, u"/b"_s, u"/a"_s, u"/c"_s}) {
        SCOPED_TRACE(path.toStdString());
        const PageFetch fetch = fetcher.Navigate2(url(path));
        ASSERT_TRUE(fetch.ok()) << fetch.error.toStdString();
        EXPECT_EQ(cache(), "\"<p>" + path.mid(1).toLatin1() + "</p>\r\n\"\r\n");
    }
    EXPECT_EQ(server.requests().size(), 7 + 4);
    EXPECT_EQ(server.hits(u"/a"_s), 2);
    // The two answers of /a are the same page, rendered once.
    EXPECT_EQ(fetcher.renderings(), 7 + 3);
}

// A race that ends after its first page leaves its other pages unrendered, large as they are.
TEST_F(Fetching, PagesOfARaceThatEndedEarlyAreNotRendered)
{
    // A time limit that no load on the machine reaches: only the renderings are counted.
    HttpPageSource patient(60000);
    PageFetcher pages(form, patient, app.path(), MarkupStyle::Modern);
    pages.setBackgroundRenderers(1);
    // The other pages arrive and wait for a renderer meanwhile.
    server.setPage(u"/first"_s, {.body = "<p>cancelled</p>", .delayBeforeMs = 1000});
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

// The same bytes from the same address are not rendered twice, an ordinary page known by its
// bytes and a large one by its digest; one byte changed, or another address, is a new page,
// and the address's page before it is let go at once.
TEST(RenderPool, KnowsAPageAgainByItsBytesOnlyFromTheSameAddress)
{
    for (const qsizetype size : {qsizetype(2000), qsizetype(600 * 1024)}) {
        SCOPED_TRACE(size);
        RenderPool pool;
        FetchResult page;
        page.status = 200;
        page.contentType = "text/html; charset=UTF-8";
        page.body = "<p>" + QByteArray(size, 'x');
        const auto renderings = [&](const QString& url, const FetchResult& fetched) {
            (void)pool.render(url, fetched, MarkupStyle::Modern, false)->page();
            return pool.renderings();
        };
        EXPECT_EQ(renderings(u"http://site.test/a"_s, page), 1);
        EXPECT_EQ(renderings(u"http://site.test/a"_s, page), 1);
        const std::weak_ptr<Rendering> before = pool.render(u"http://site.test/a"_s, page, MarkupStyle::Modern, false);
        FetchResult changed = page;
        changed.body[size] = 'y';
        EXPECT_EQ(renderings(u"http://site.test/a"_s, changed), 2);
        EXPECT_TRUE(before.expired());
        EXPECT_EQ(renderings(u"http://site.test/b"_s, page), 3);
        EXPECT_EQ(renderings(u"http://site.test/a"_s, changed), 3);
        EXPECT_EQ(renderings(u"http://site.test/a"_s, page), 4);
    }
}
