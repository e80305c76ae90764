// What the tests that fetch from the local site rely on and cannot see for themselves: pages
// served byte for byte or 404, a reset that is a reset, and a server that outlives its clients.
#include "demo/site_server.h"

#include <functional>
#include <memory>

#include <QCoreApplication>
#include <QEventLoop>
#include <QNetworkAccessManager>
#include <QNetworkProxy>
#include <QNetworkReply>
#include <QTcpSocket>
#include <QTimer>
#include <QUrl>

#include <gtest/gtest.h>

#ifdef Q_OS_UNIX
#include <QSocketNotifier>
#include <arpa/inet.h>
#include <cerrno>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>
#endif

using namespace kazeyomi;
using namespace Qt::StringLiterals;

namespace {

// Runs the event loop until done() holds; false if five seconds pass first.
bool runUntil(const std::function<bool()>& done)
{
    QEventLoop loop;
    QTimer check;
    QObject::connect(&check, &QTimer::timeout, &loop, [&] {
        if (done())
            loop.quit();
    });
    check.start(2);
    bool timedOut = false;
    QTimer::singleShot(5000, &loop, [&] {
        timedOut = true;
        loop.quit();
    });
    if (!done())
        loop.exec();
    return !timedOut;
}

SiteResponse page(const QByteArray& body)
{
    SiteResponse response;
    response.body = body;
    return response;
}

class SiteServerTest : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        // The core tests share gtest's main, so the first one that needs an event loop makes the application.
        static int argc = 1;
        static char name[] = "core_tests";
        static char* argv[] = {name, nullptr};
        if (!QCoreApplication::instance())
            new QCoreApplication(argc, argv);
    }
    void SetUp() override
    {
        ASSERT_TRUE(server.listen()) << server.errorString().toStdString();
        manager.setProxy(QNetworkProxy::NoProxy);
    }
    quint16 port() const { return quint16(QUrl(server.baseUrl()).port()); }

    std::unique_ptr<QNetworkReply> get(const QString& target)
    {
        std::unique_ptr<QNetworkReply> reply(manager.get(QNetworkRequest(QUrl(server.baseUrl() + target))));
        EXPECT_TRUE(runUntil([&] { return reply->isFinished(); })) << qPrintable(target);
        return reply;
    }

    SiteServer server;
    QNetworkAccessManager manager;
};

TEST_F(SiteServerTest, ServesPagesByteExactByTargetThenByPathOtherwise404)
{
    const QByteArray bytes("<td>\x92\x50\x8F\x9F</td>\r\n\0end", 20);
    SiteResponse dated = page(bytes);
    dated.headers = {{"Last-Modified", "Sat, 29 Oct 1994 19:43:31 GMT"}};
    server.setPage(u"/a"_s, dated);
    SiteResponse untyped = page("a with x=1");
    untyped.contentType.clear();
    server.setPage(u"/a?x=1"_s, untyped);
    server.setPage(u"/b?name=大井|1"_s, page("encoded query"));
    server.setHandler([](const QString& target) -> std::optional<SiteResponse> {
        if (target.startsWith(u"/gen"))
            return page("generated " + target.toLatin1());
        return std::nullopt;
    });
    const struct {
        const char* name;
        QString target;
        int status;
        QByteArray body;
        QByteArray contentType;
    } rows[] = {
        {"path alone, byte for byte", u"/a"_s, 200, bytes, "text/html; charset=Shift_JIS"},
        {"exact target with query, no type", u"/a?x=1"_s, 200, "a with x=1", {}},
        {"other query falls back to the path", u"/a?x=2"_s, 200, bytes, "text/html; charset=Shift_JIS"},
        {"client percent-encodes the query", u"/b?name=%E5%A4%A7%E4%BA%95%7C1"_s, 200, "encoded query",
         "text/html; charset=Shift_JIS"},
        {"the handler first", u"/gen/1?k=v"_s, 200, "generated /gen/1?k=v", "text/html; charset=Shift_JIS"},
        {"longer path is no match", u"/a/b"_s, 404, {}, {}},
        {"page with query only", u"/b"_s, 404, {}, {}},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.name);
        const std::unique_ptr<QNetworkReply> reply = get(r.target);
        EXPECT_EQ(reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt(), r.status);
        if (r.status != 200)
            continue;
        EXPECT_EQ(reply->readAll(), r.body);
        EXPECT_EQ(reply->rawHeader("Content-Type"), r.contentType);
        EXPECT_EQ(reply->hasRawHeader("Last-Modified"), r.body == bytes);
    }
}

#ifdef Q_OS_UNIX
// A plain socket tells the two apart: a FIN reads as end of stream, an RST as ECONNRESET.
TEST_F(SiteServerTest, DroppedRequestsCloseOrResetAsAsked)
{
    const struct {
        SiteResponse::Drop drop;
        QByteArray hangUp;
    } rows[] = {{SiteResponse::Drop::CloseWithoutAnswer, "closed"}, {SiteResponse::Drop::Reset, "reset"}};
    for (const auto& r : rows) {
        SCOPED_TRACE(r.hangUp.constData());
        SiteResponse dropped = page("never sent");
        dropped.drop = r.drop;
        server.setPage(u"/drop"_s, dropped);
        const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_port = htons(port());
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        ASSERT_EQ(::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
        ::send(fd, "GET /drop HTTP/1.1\r\n\r\n", 22, 0);
        QSocketNotifier readable(fd, QSocketNotifier::Read);
        QByteArray hangUp;
        QObject::connect(&readable, &QSocketNotifier::activated, &readable, [&] {
            char buffer[256];
            const ssize_t n = ::recv(fd, buffer, sizeof buffer, MSG_DONTWAIT);
            if (n >= 0 || errno != EAGAIN) {
                readable.setEnabled(false); // after an RST, further reads see a plain end of stream
                hangUp = n > 0 ? "answered" : n == 0 ? "closed" : errno == ECONNRESET ? "reset" : "other error";
            }
        });
        EXPECT_TRUE(runUntil([&] { return !hangUp.isEmpty(); }));
        ::close(fd);
        EXPECT_EQ(hangUp, r.hangUp);
    }
}
#endif

// A test that ends while a page is still on its way, or a client that gives up midway.
TEST_F(SiteServerTest, OutlivesClientsThatLeaveAndCanBeDestroyedWhileAnswering)
{
    SiteResponse paused = page(QByteArray(1000, 'x'));
    paused.pauseAfterBytes = 10;
    paused.pauseMs = 300;
    server.setPage(u"/p"_s, paused);
    {
        QTcpSocket client;
        client.connectToHost(u"127.0.0.1"_s, port());
        client.write("GET /p HTTP/1.1\r\n\r\n");
        ASSERT_TRUE(runUntil([&] { return client.bytesAvailable() > 10; }));
        client.abort();
    }
    EXPECT_TRUE(runUntil([&] { return server.connectionCount() == 0; }));
    EXPECT_EQ(get(u"/p"_s)->readAll(), QByteArray(1000, 'x'));

    auto doomed = std::make_unique<SiteServer>();
    ASSERT_TRUE(doomed->listen());
    SiteResponse late = page("x");
    late.delayBeforeMs = 200;
    doomed->setPage(u"/p"_s, late);
    QTcpSocket client;
    bool closed = false;
    QObject::connect(&client, &QTcpSocket::disconnected, &client, [&] { closed = true; });
    client.connectToHost(u"127.0.0.1"_s, quint16(QUrl(doomed->baseUrl()).port()));
    client.write("GET /p HTTP/1.1\r\n\r\n");
    ASSERT_TRUE(runUntil([&] { return doomed->connectionCount() == 1 && !doomed->requests().isEmpty(); }));
    doomed.reset();
    EXPECT_TRUE(runUntil([&] { return closed; }));
    EXPECT_EQ(client.readAll(), QByteArray());
}

} // namespace
