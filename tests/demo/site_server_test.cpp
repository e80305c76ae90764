// What the tests that fetch from the local site rely on and cannot see for themselves: pages
// served byte for byte or 404, a reset that is a reset, and no connection left behind.
#include "demo/site_server.h"

#include <functional>
#include <memory>

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

// A client that gives up midway leaves no connection behind; the page itself comes byte for byte.
TEST_F(SiteServerTest, ServesByteForByteAndOutlivesAClientThatLeavesMidway)
{
    const QByteArray bytes = QByteArray("<td>\x92\x50\x8F\x9F</td>\r\n\0", 14) + QByteArray(1000, 'x');
    SiteResponse paused = page(bytes);
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
    EXPECT_EQ(get(u"/p?x=1"_s)->readAll(), bytes); // a query falls back to the path
    EXPECT_EQ(get(u"/p/q"_s)->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt(), 404);
}

} // namespace
