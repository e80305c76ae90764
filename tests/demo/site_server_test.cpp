#include "demo/site_server.h"

#include <functional>
#include <memory>
#include <optional>

#include <QCoreApplication>
#include <QElapsedTimer>
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

// A client that writes raw bytes and keeps everything the server sends back.
struct RawClient {
    QTcpSocket socket;
    QByteArray received;
    bool closed = false;

    explicit RawClient(quint16 port)
    {
        QObject::connect(&socket, &QTcpSocket::readyRead, &socket, [this] { received += socket.readAll(); });
        QObject::connect(&socket, &QTcpSocket::disconnected, &socket, [this] { closed = true; });
        socket.connectToHost(u"127.0.0.1"_s, port);
    }
};

struct Response {
    QByteArray statusLine;
    QMap<QByteArray, QByteArray> headers; // lower-cased names
    QByteArray body;
};

// Takes one response off the front of the stream; HEAD and 304 answers pass withBody = false.
std::optional<Response> takeResponse(QByteArray& stream, bool withBody = true)
{
    const qsizetype end = stream.indexOf("\r\n\r\n");
    if (end < 0)
        return std::nullopt;
    Response r;
    const QList<QByteArray> lines = stream.left(end).split('\n');
    r.statusLine = lines.first().trimmed();
    for (qsizetype i = 1; i < lines.size(); ++i) {
        const qsizetype colon = lines[i].indexOf(':');
        r.headers.insert(lines[i].left(colon).toLower(), lines[i].mid(colon + 1).trimmed());
    }
    const qsizetype length = withBody ? r.headers.value("content-length", "0").toLongLong() : 0;
    if (stream.size() < end + 4 + length)
        return std::nullopt;
    r.body = stream.mid(end + 4, length);
    stream.remove(0, end + 4 + length);
    return r;
}

struct Fetched {
    QNetworkReply::NetworkError error = QNetworkReply::NoError;
    int status = 0;
    QByteArray body;
    std::unique_ptr<QNetworkReply> reply; // for its headers
    qint64 ms = 0;
};

QByteArray pattern(qsizetype size)
{
    QByteArray bytes(size, Qt::Uninitialized);
    for (qsizetype i = 0; i < size; ++i)
        bytes[i] = char(i * 7 + i / 251);
    return bytes;
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

    Fetched get(const QString& target, const QByteArray& header = {}, const QByteArray& value = {})
    {
        QNetworkRequest request(QUrl(server.baseUrl() + target));
        request.setAttribute(QNetworkRequest::RedirectPolicyAttribute, QNetworkRequest::ManualRedirectPolicy);
        if (!header.isEmpty())
            request.setRawHeader(header, value);
        QElapsedTimer clock;
        clock.start();
        Fetched f;
        f.reply.reset(manager.get(request));
        EXPECT_TRUE(runUntil([&] { return f.reply->isFinished(); })) << qPrintable(target);
        f.ms = clock.elapsed();
        f.error = f.reply->error();
        f.status = f.reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
        f.body = f.reply->readAll();
        return f;
    }

    SiteServer server;
    QNetworkAccessManager manager;
};

TEST_F(SiteServerTest, ServesAPageByteExactWithItsHeaders)
{
    const QByteArray body("<td>\x92\x50\x8F\x9F</td>\r\n\0end", 20);
    SiteResponse page;
    page.body = body;
    page.headers = {{"Last-Modified", "Sat, 29 Oct 1994 19:43:31 GMT"}};
    server.setPage(u"/odds/2024010120010101.do"_s, page);

    RawClient client(port());
    client.socket.write("GET /odds/2024010120010101.do HTTP/1.1\r\nHost: x\r\n\r\n");
    std::optional<Response> r;
    ASSERT_TRUE(runUntil([&] { return (r = takeResponse(client.received)).has_value(); }));
    EXPECT_EQ(r->statusLine, "HTTP/1.1 200 OK");
    EXPECT_EQ(r->headers.value("content-type"), "text/html; charset=Shift_JIS");
    EXPECT_EQ(r->headers.value("content-length"), "20");
    EXPECT_EQ(r->headers.value("last-modified"), "Sat, 29 Oct 1994 19:43:31 GMT");
    EXPECT_EQ(r->body, body);
    EXPECT_TRUE(client.received.isEmpty()) << "bytes after the body";
}

TEST_F(SiteServerTest, FindsPagesByTargetThenByPathOtherwiseAnswers404)
{
    server.setPage(u"/a"_s, {.body = "path a", .headers = {}});
    server.setPage(u"/a?x=1"_s, {.body = "a with x=1", .headers = {}});
    server.setPage(u"/b?name=大井|1"_s, {.body = "encoded query", .headers = {}});
    const struct {
        const char* name;
        QString target;
        int status;
        QByteArray body;
    } rows[] = {
        {"exact target with query", u"/a?x=1"_s, 200, "a with x=1"},
        {"other query falls back to the path", u"/a?x=2"_s, 200, "path a"},
        {"path alone", u"/a"_s, 200, "path a"},
        {"client percent-encodes the query", u"/b?name=%E5%A4%A7%E4%BA%95%7C1"_s, 200, "encoded query"},
        {"longer path is no match", u"/a/b"_s, 404, {}},
        {"page with query only", u"/b"_s, 404, {}},
        {"unknown path", u"/nothing.do"_s, 404, {}},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.name);
        const Fetched f = get(r.target);
        EXPECT_EQ(f.status, r.status);
        if (r.status == 200) {
            EXPECT_EQ(f.body, r.body);
        }
    }
}

TEST_F(SiteServerTest, AsksTheHandlerFirstAndFallsBackToPages)
{
    QStringList asked;
    server.setHandler([&](const QString& target) -> std::optional<SiteResponse> {
        asked << target;
        if (target.startsWith(u"/gen"))
            return SiteResponse{.body = "generated " + target.toLatin1(), .headers = {}};
        return std::nullopt;
    });
    server.setPage(u"/gen/1"_s, {.body = "fixed", .headers = {}});
    server.setPage(u"/fixed"_s, {.body = "fixed", .headers = {}});

    EXPECT_EQ(get(u"/gen/1?k=v"_s).body, "generated /gen/1?k=v");
    EXPECT_EQ(get(u"/fixed"_s).body, "fixed");
    EXPECT_EQ(get(u"/none"_s).status, 404);
    EXPECT_EQ(asked, QStringList({u"/gen/1?k=v"_s, u"/fixed"_s, u"/none"_s}));
}

TEST_F(SiteServerTest, WritesStatusLinesAndLeavesTheConnectionUsable)
{
    const struct {
        const char* name;
        SiteResponse page;
        bool withBody;
        QByteArray statusLine;
    } rows[] = {
        {"moved",
         {.status = 301, .body = {}, .headers = {{"Location", "/new"}}},
         true,
         "HTTP/1.1 301 Moved Permanently"},
        {"found", {.status = 302, .body = {}, .headers = {{"Location", "/new"}}}, true, "HTTP/1.1 302 Found"},
        {"not modified has no body",
         {.status = 304, .body = "ignored", .headers = {}},
         false,
         "HTTP/1.1 304 Not Modified"},
        {"server error", {.status = 500, .body = "oops", .headers = {}}, true, "HTTP/1.1 500 Internal Server Error"},
        {"unavailable", {.status = 503, .body = {}, .headers = {}}, true, "HTTP/1.1 503 Service Unavailable"},
        {"unknown code", {.status = 599, .body = {}, .headers = {}}, true, "HTTP/1.1 599 Internal Server Error"},
        {"head gives the length only", {.body = "12345", .headers = {}}, false, "HTTP/1.1 200 OK"},
    };
    server.setPage(u"/next"_s, {.body = "next page", .headers = {}});
    for (const auto& r : rows) {
        SCOPED_TRACE(r.name);
        server.setPage(u"/p"_s, r.page);
        RawClient client(port());
        const QByteArray method = r.withBody || r.page.status == 304 ? "GET" : "HEAD";
        client.socket.write(method + " /p HTTP/1.1\r\n\r\nGET /next HTTP/1.1\r\n\r\n");
        std::optional<Response> first, second;
        ASSERT_TRUE(runUntil([&] {
            if (!first)
                first = takeResponse(client.received, r.withBody);
            return first && (second = takeResponse(client.received)).has_value();
        }));
        EXPECT_EQ(first->statusLine, r.statusLine);
        EXPECT_EQ(first->headers.value("location"), r.page.headers.isEmpty() ? "" : "/new");
        EXPECT_EQ(first->headers.contains("content-length"), r.page.status != 304);
        EXPECT_EQ(second->body, "next page");
    }
}

TEST_F(SiteServerTest, WaitsBeforeAnsweringAndPausesInsideTheBody)
{
    server.setPage(u"/late"_s, {.body = "late", .headers = {}, .delayBeforeMs = 150});
    const Fetched late = get(u"/late"_s);
    EXPECT_EQ(late.body, "late");
    EXPECT_GE(late.ms, 150);

    const QByteArray body = pattern(1000);
    server.setPage(u"/slow"_s, {.body = body, .headers = {}, .pauseAfterBytes = 100, .pauseMs = 150});
    RawClient client(port());
    QElapsedTimer clock;
    clock.start();
    client.socket.write("GET /slow HTTP/1.1\r\n\r\n");
    qsizetype bodyBytesBeforePause = -1;
    std::optional<Response> r;
    ASSERT_TRUE(runUntil([&] {
        const qsizetype head = client.received.indexOf("\r\n\r\n");
        if (bodyBytesBeforePause < 0 && head >= 0 && client.received.size() - head - 4 >= 100)
            bodyBytesBeforePause = client.received.size() - head - 4;
        return (r = takeResponse(client.received)).has_value();
    }));
    EXPECT_GE(clock.elapsed(), 150);
    EXPECT_EQ(bodyBytesBeforePause, 100);
    EXPECT_EQ(r->body, body);
}

TEST_F(SiteServerTest, CutsTheBodyShortOfItsAnnouncedLength)
{
    server.setPage(u"/cut"_s, {.body = pattern(1000), .headers = {}, .cutAfterBytes = 300});
    RawClient client(port());
    client.socket.write("GET /cut HTTP/1.1\r\n\r\n");
    ASSERT_TRUE(runUntil([&] { return client.closed; }));
    const qsizetype head = client.received.indexOf("\r\n\r\n");
    EXPECT_TRUE(client.received.contains("Content-Length: 1000\r\n"));
    EXPECT_EQ(client.received.mid(head + 4), pattern(1000).left(300));

    const Fetched f = get(u"/cut"_s);
    EXPECT_TRUE(f.error != QNetworkReply::NoError || f.body.size() < 1000);
}

TEST_F(SiteServerTest, DroppedRequestsReachTheClientAsErrors)
{
    const struct {
        const char* name;
        SiteResponse::Drop drop;
        const char* hangUp;
    } rows[] = {
        {"close without answer", SiteResponse::Drop::CloseWithoutAnswer, "closed"},
        {"reset", SiteResponse::Drop::Reset, "reset"},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.name);
        server.setPage(u"/drop"_s, {.body = "never sent", .headers = {}, .drop = r.drop});
        const Fetched f = get(u"/drop"_s);
        EXPECT_NE(f.error, QNetworkReply::NoError);
        EXPECT_TRUE(f.body.isEmpty());
#ifdef Q_OS_UNIX
        // A plain socket tells the two apart: a FIN reads as end of stream, an RST as ECONNRESET.
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
#endif
    }
}

TEST_F(SiteServerTest, DeliversLargeAndChunkedBodiesWhole)
{
    const QByteArray big = pattern(20 * 1024 * 1024);
    server.setPage(u"/big"_s, {.body = big, .headers = {}});
    const Fetched whole = get(u"/big"_s);
    EXPECT_EQ(whole.error, QNetworkReply::NoError);
    EXPECT_TRUE(whole.body == big) << "got " << whole.body.size() << " bytes";

    const QByteArray body = pattern(200 * 1024);
    server.setPage(u"/chunked"_s, {.body = body, .headers = {}, .chunked = true});
    const Fetched chunked = get(u"/chunked"_s);
    EXPECT_EQ(chunked.reply->rawHeader("Transfer-Encoding"), "chunked");
    EXPECT_FALSE(chunked.reply->hasRawHeader("Content-Length"));
    EXPECT_TRUE(chunked.body == body) << "got " << chunked.body.size() << " bytes";
}

TEST_F(SiteServerTest, AnswersPipelinedRequestsOnOneConnectionInOrder)
{
    server.setPage(u"/a"_s, {.body = "first", .headers = {}});
    server.setPage(u"/b"_s, {.body = "second", .headers = {}});
    server.setPage(u"/c"_s, {.body = "third", .headers = {}});
    RawClient client(port());
    client.socket.write("GET /a HTTP/1.1\r\nHost: x\r\n\r\nGET /b HTTP/1.1\r\n\r\nGET /c HT");
    // The rest of the third request comes later, in two pieces.
    QTimer::singleShot(20, &client.socket, [&] { client.socket.write("TP/1.1\r\nHost: x\r\n"); });
    QTimer::singleShot(40, &client.socket, [&] { client.socket.write("\r\n"); });
    QList<QByteArray> bodies;
    ASSERT_TRUE(runUntil([&] {
        while (const std::optional<Response> r = takeResponse(client.received))
            bodies << r->body;
        return bodies.size() == 3;
    }));
    EXPECT_EQ(bodies, QList<QByteArray>({"first", "second", "third"}));
    EXPECT_FALSE(client.closed);
    EXPECT_EQ(server.connectionCount(), 1);
}

TEST_F(SiteServerTest, SendsContentTypeOnlyWhenThePageHasOne)
{
    server.setPage(u"/typed"_s, {.body = "x", .headers = {}});
    server.setPage(u"/untyped"_s, {.body = "x", .contentType = {}, .headers = {}});
    EXPECT_EQ(get(u"/typed"_s).reply->rawHeader("Content-Type"), "text/html; charset=Shift_JIS");
    EXPECT_FALSE(get(u"/untyped"_s).reply->hasRawHeader("Content-Type"));
}

TEST_F(SiteServerTest, LogsEachRequestWithItsHeadersAndKeepsOnlyTheLatest)
{
    server.setPage(u"/r"_s, {.body = "r", .headers = {}});
    get(u"/r?n=first"_s, "If-Modified-Since", "Sat, 29 Oct 1994 19:43:31 GMT");
    ASSERT_EQ(server.requests().size(), 1);
    EXPECT_EQ(server.requests().first().method, u"GET"_s);
    EXPECT_EQ(server.requests().first().pathAndQuery, u"/r?n=first"_s);
    EXPECT_EQ(server.requests().first().headers.value("if-modified-since"), "Sat, 29 Oct 1994 19:43:31 GMT");

    const int more = int(SiteServer::kMaxLoggedRequests) + 5;
    QByteArray pipelined;
    for (int i = 0; i < more; ++i)
        pipelined += "GET /r?n=" + QByteArray::number(i) + " HTTP/1.1\r\n\r\n";
    RawClient client(port());
    client.socket.write(pipelined);
    int answered = 0;
    ASSERT_TRUE(runUntil([&] {
        while (takeResponse(client.received))
            ++answered;
        return answered == more;
    }));
    EXPECT_EQ(server.requests().size(), SiteServer::kMaxLoggedRequests);
    EXPECT_EQ(server.requests().first().pathAndQuery, u"/r?n=5"_s);
    EXPECT_EQ(server.hits(u"/r"_s), more + 1);
    EXPECT_EQ(server.hits(u"/r?n=first"_s), 1);
}

TEST_F(SiteServerTest, SurvivesClientsThatLeaveMidway)
{
    const struct {
        const char* name;
        SiteResponse page;
        qsizetype leaveAfterBytes; // 0: as soon as the request is in
    } rows[] = {
        {"during the delay", {.body = "x", .headers = {}, .delayBeforeMs = 300}, 0},
        {"during the pause", {.body = pattern(1000), .headers = {}, .pauseAfterBytes = 10, .pauseMs = 300}, 10},
        {"inside a large body", {.body = pattern(20 * 1024 * 1024), .headers = {}}, 1024 * 1024},
    };
    server.setPage(u"/ok"_s, {.body = "ok", .headers = {}});
    for (const auto& r : rows) {
        SCOPED_TRACE(r.name);
        manager.clearConnectionCache(); // only the leaving client may hold a connection
        server.setPage(u"/p"_s, r.page);
        const qsizetype logged = server.requests().size();
        {
            RawClient client(port());
            client.socket.write("GET /p HTTP/1.1\r\n\r\n");
            ASSERT_TRUE(runUntil(
                [&] { return server.requests().size() > logged && client.received.size() >= r.leaveAfterBytes; }));
            client.socket.abort();
        }
        EXPECT_TRUE(runUntil([&] { return server.connectionCount() == 0; }));
        EXPECT_EQ(get(u"/ok"_s).body, "ok");
    }
}

TEST_F(SiteServerTest, CanBeDestroyedWhileAnswering)
{
    auto doomed = std::make_unique<SiteServer>();
    ASSERT_TRUE(doomed->listen());
    doomed->setPage(u"/p"_s, {.body = "x", .headers = {}, .delayBeforeMs = 200});
    RawClient client(quint16(QUrl(doomed->baseUrl()).port()));
    client.socket.write("GET /p HTTP/1.1\r\n\r\n");
    ASSERT_TRUE(runUntil([&] { return doomed->connectionCount() == 1 && !doomed->requests().isEmpty(); }));
    doomed.reset();
    EXPECT_TRUE(runUntil([&] { return client.closed; }));
    EXPECT_TRUE(client.received.isEmpty());
}

} // namespace
