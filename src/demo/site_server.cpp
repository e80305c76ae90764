#include "demo/site_server.h"

#include <algorithm>
#include <utility>

#include <QHostAddress>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>
#include <QUrl>

// Only for the zero linger time that turns a close into a reset; Qt has no option for it.
#if defined(Q_OS_WIN)
#include <winsock2.h>
#else
#include <sys/socket.h>
#endif

using namespace Qt::StringLiterals;

namespace kazeyomi {

namespace {

// The socket's write buffer is kept near this size, so a 20 MB page costs no 20 MB copy and
// a client that stops reading holds up only its own connection.
constexpr qint64 kWriteWindow = 256 * 1024;
constexpr qint64 kPieceBytes = 64 * 1024;
constexpr qint64 kMaxHeadBytes = 64 * 1024;
// Longer than the client's own keep-alive, so the client, not the server, ends idle connections
// and never reuses one the server is closing.
constexpr int kIdleMs = 5 * 60 * 1000;

QByteArray reasonPhrase(int status)
{
    // clang-format off
    static const QHash<int, QByteArray> phrases = {
        {100, "Continue"}, {101, "Switching Protocols"}, {200, "OK"}, {201, "Created"}, {202, "Accepted"},
        {203, "Non-Authoritative Information"}, {204, "No Content"}, {206, "Partial Content"},
        {300, "Multiple Choices"}, {301, "Moved Permanently"}, {302, "Found"}, {303, "See Other"},
        {304, "Not Modified"}, {307, "Temporary Redirect"}, {308, "Permanent Redirect"}, {400, "Bad Request"},
        {401, "Unauthorized"}, {403, "Forbidden"}, {404, "Not Found"}, {405, "Method Not Allowed"},
        {406, "Not Acceptable"}, {408, "Request Timeout"}, {409, "Conflict"}, {410, "Gone"},
        {411, "Length Required"}, {412, "Precondition Failed"}, {413, "Content Too Large"}, {414, "URI Too Long"},
        {415, "Unsupported Media Type"}, {416, "Range Not Satisfiable"}, {429, "Too Many Requests"},
        {431, "Request Header Fields Too Large"}, {500, "Internal Server Error"}, {501, "Not Implemented"},
        {502, "Bad Gateway"}, {503, "Service Unavailable"}, {504, "Gateway Timeout"},
        {505, "HTTP Version Not Supported"}};
    // clang-format on
    // Clients treat an unknown code like the first code of its class.
    return phrases.value(status, phrases.value(status / 100 * 100, "Unknown"));
}

bool hasNoBody(int status)
{
    return status < 200 || status == 204 || status == 304;
}

// Pages are found whatever the client percent-encodes: QNetworkAccessManager escapes "|" and
// non-ASCII text, a hand-written request may not.
QString normalizedTarget(const QString& target)
{
    const qsizetype query = target.indexOf(u'?');
    QUrl url;
    url.setPath(query < 0 ? target : target.left(query), QUrl::TolerantMode);
    if (query >= 0)
        url.setQuery(target.mid(query + 1), QUrl::TolerantMode);
    const QByteArray encoded = url.toEncoded();
    return encoded.isEmpty() ? target : QString::fromLatin1(encoded);
}

SiteResponse plainResponse(int status, QList<QPair<QByteArray, QByteArray>> headers = {})
{
    SiteResponse r;
    r.status = status;
    r.body = QByteArray::number(status) + ' ' + reasonPhrase(status) + '\n';
    r.contentType = "text/plain";
    r.headers = std::move(headers);
    return r;
}

QByteArray responseHead(const SiteResponse& r, bool keepAlive)
{
    QByteArray head = "HTTP/1.1 " + QByteArray::number(r.status) + ' ' + reasonPhrase(r.status) + "\r\n";
    if (!r.contentType.isEmpty())
        head += "Content-Type: " + r.contentType + "\r\n";
    if (!hasNoBody(r.status)) {
        if (r.chunked)
            head += "Transfer-Encoding: chunked\r\n";
        else
            head += "Content-Length: " + QByteArray::number(r.body.size()) + "\r\n";
    }
    for (const auto& [name, value] : r.headers)
        head += name + ": " + value + "\r\n";
    head += keepAlive ? "Connection: keep-alive\r\n\r\n" : "Connection: close\r\n\r\n";
    return head;
}

bool listsToken(const QByteArray& value, const QByteArray& token)
{
    const QList<QByteArray> items = value.split(',');
    return std::any_of(items.begin(), items.end(),
                       [&](const QByteArray& item) { return item.trimmed().compare(token, Qt::CaseInsensitive) == 0; });
}

} // namespace

// One client connection: reads requests one at a time and writes each response in pieces.
class SiteServer::Connection final : public QObject {
public:
    Connection(SiteServer& server, QTcpSocket* socket);
    ~Connection() override;

private:
    enum class Phase { Idle, Waiting, Sending, Closed };

    bool connected() const { return m_phase != Phase::Closed && m_socket->state() == QAbstractSocket::ConnectedState; }
    void readRequests();
    bool takeRequest();
    void start(SiteResponse response, const QString& target, bool head, bool keepAlive);
    void sendHead();
    void pump();
    void writeBody(qint64 size);
    void finish();
    void closeAfterFlush();
    void reset();
    // The connection is gone: a response still waiting or going out is logged as abandoned.
    void hungUp();

    SiteServer& m_server;
    QTcpSocket* m_socket;
    QTimer m_idle;
    QByteArray m_in;
    Phase m_phase = Phase::Idle;
    bool m_reading = false;

    SiteResponse m_response;
    QString m_target;
    quint64 m_serial = 0; // the request being answered, in the server's log
    bool m_head = false;
    bool m_keepAlive = true;
    bool m_pauseTaken = false;
    qint64 m_sent = 0;
    qint64 m_end = 0;
};

SiteServer::Connection::Connection(SiteServer& server, QTcpSocket* socket)
    : QObject(&server), m_server(server), m_socket(socket)
{
    m_server.m_connections.insert(this);
    m_socket->setParent(this);
    // Bounds what a client can pipeline while a slow response is still going out.
    m_socket->setReadBufferSize(4 * kMaxHeadBytes);

    m_idle.setSingleShot(true);
    m_idle.setInterval(kIdleMs);
    connect(&m_idle, &QTimer::timeout, this, [this] {
        if (m_phase == Phase::Idle)
            closeAfterFlush();
        else if (m_phase == Phase::Closed)
            m_socket->abort(); // a client that never reads what is left
        else
            m_idle.start();
    });
    m_idle.start();

    connect(m_socket, &QTcpSocket::readyRead, this, [this] {
        if (m_phase == Phase::Idle) {
            m_idle.start();
            readRequests();
        }
    });
    connect(m_socket, &QTcpSocket::bytesWritten, this, [this] {
        if (m_phase == Phase::Sending)
            pump();
        else if (m_phase == Phase::Idle)
            readRequests();
    });
    connect(m_socket, &QTcpSocket::disconnected, this, [this] { hungUp(); });
    connect(m_socket, &QTcpSocket::errorOccurred, this, [this] {
        if (m_socket->state() == QAbstractSocket::UnconnectedState)
            hungUp();
    });
    readRequests();
}

SiteServer::Connection::~Connection()
{
    // The socket, our child, aborts in its destructor; nothing here may hear of it.
    disconnect(m_socket, nullptr, this, nullptr);
    m_server.m_connections.erase(this);
}

void SiteServer::Connection::readRequests()
{
    // finish() calls back here; the loop below goes on with the next request instead.
    if (m_reading)
        return;
    m_reading = true;
    while (m_phase == Phase::Idle && connected() && m_socket->bytesToWrite() < kWriteWindow) {
        m_in += m_socket->readAll();
        if (!takeRequest())
            break;
    }
    m_reading = false;
}

// Takes one request head off the input and starts its response; false until a whole head is there.
bool SiteServer::Connection::takeRequest()
{
    while (m_in.startsWith("\r\n"))
        m_in.remove(0, 2);
    const qsizetype end = m_in.indexOf("\r\n\r\n");
    if (end < 0) {
        if (m_in.size() > kMaxHeadBytes) {
            m_in.clear();
            start(plainResponse(431), QString(), false, false);
            return true;
        }
        return false;
    }
    const QList<QByteArray> lines = m_in.left(end).split('\n');
    m_in.remove(0, end + 4);

    const QList<QByteArray> requestLine = lines.first().trimmed().split(' ');
    if (requestLine.size() != 3 || !requestLine[2].startsWith("HTTP/1.")) {
        start(plainResponse(400), QString(), false, false);
        return true;
    }
    Request request{QString::fromLatin1(requestLine[0]), QString::fromUtf8(requestLine[1]), {}};
    for (qsizetype i = 1; i < lines.size(); ++i) {
        const QByteArray& line = lines[i];
        const qsizetype colon = line.indexOf(':');
        if (colon <= 0) {
            start(plainResponse(400), request.pathAndQuery, false, false);
            return true;
        }
        const QByteArray name = line.left(colon).trimmed().toLower();
        const QByteArray value = line.mid(colon + 1).trimmed();
        auto it = request.headers.find(name);
        if (it == request.headers.end())
            request.headers.insert(name, value);
        else
            *it += ", " + value;
    }

    const QByteArray connection = request.headers.value("connection");
    const bool keepAlive =
        requestLine[2] == "HTTP/1.0" ? listsToken(connection, "keep-alive") : !listsToken(connection, "close");
    const QString method = request.method;
    const QString target = request.pathAndQuery;
    const bool hasBody =
        request.headers.contains("transfer-encoding") || request.headers.value("content-length", "0").toLongLong() != 0;
    m_serial = m_server.record(std::move(request));

    // The sites are only ever read; a request body is not worth skipping over.
    if (method != "GET"_L1 && method != "HEAD"_L1)
        start(plainResponse(405, {{"Allow", "GET, HEAD"}}), target, false, false);
    else if (hasBody)
        start(plainResponse(400), target, false, false);
    else
        start(m_server.respond(target), target, method == "HEAD"_L1, keepAlive);
    return true;
}

void SiteServer::Connection::start(SiteResponse response, const QString& target, bool head, bool keepAlive)
{
    m_response = std::move(response);
    m_target = target;
    m_head = head;
    m_keepAlive = keepAlive;
    m_pauseTaken = false;
    m_sent = 0;

    switch (m_response.drop) {
    case SiteResponse::Drop::CloseWithoutAnswer:
        closeAfterFlush();
        Q_EMIT m_server.requestServed(target);
        return;
    case SiteResponse::Drop::Reset:
        reset();
        Q_EMIT m_server.requestServed(target);
        return;
    case SiteResponse::Drop::None:
        break;
    }
    if (m_response.delayBeforeMs > 0) {
        m_phase = Phase::Waiting;
        QTimer::singleShot(m_response.delayBeforeMs, Qt::PreciseTimer, this, [this] { sendHead(); });
    } else {
        sendHead();
    }
}

void SiteServer::Connection::sendHead()
{
    if (!connected())
        return;
    m_phase = Phase::Sending;
    const qint64 size = m_response.body.size();
    m_end = m_head || hasNoBody(m_response.status) ? 0 : size;
    if (m_response.cutAfterBytes >= 0)
        m_end = std::min(m_end, m_response.cutAfterBytes);
    m_socket->write(responseHead(m_response, m_keepAlive));
    pump();
}

void SiteServer::Connection::pump()
{
    while (m_phase == Phase::Sending && connected() && m_socket->bytesToWrite() < kWriteWindow) {
        const qint64 pauseAt = m_response.pauseAfterBytes;
        const bool pauseAhead = !m_pauseTaken && pauseAt >= 0 && m_sent < m_end;
        if (pauseAhead && m_sent >= pauseAt) {
            m_pauseTaken = true;
            m_phase = Phase::Waiting;
            QTimer::singleShot(m_response.pauseMs, Qt::PreciseTimer, this, [this] {
                if (m_phase == Phase::Waiting) {
                    m_phase = Phase::Sending;
                    pump();
                }
            });
            return;
        }
        if (m_sent >= m_end) {
            finish();
            return;
        }
        qint64 piece = std::min(kPieceBytes, m_end - m_sent);
        if (pauseAhead)
            piece = std::min(piece, pauseAt - m_sent);
        writeBody(piece);
    }
}

void SiteServer::Connection::writeBody(qint64 size)
{
    const char* data = m_response.body.constData() + m_sent;
    if (m_response.chunked) {
        m_socket->write(QByteArray::number(size, 16) + "\r\n");
        m_socket->write(data, size);
        m_socket->write("\r\n");
    } else {
        m_socket->write(data, size);
    }
    m_sent += size;
}

void SiteServer::Connection::finish()
{
    const bool complete = m_sent == m_response.body.size();
    if (complete || m_head || hasNoBody(m_response.status))
        m_server.settle(m_serial, &Request::answered);
    if (m_response.chunked && complete && !m_head && !hasNoBody(m_response.status))
        m_socket->write("0\r\n\r\n");
    const bool close = !m_keepAlive || m_response.cutAfterBytes >= 0;
    const QString target = std::exchange(m_target, QString());
    m_response = SiteResponse(); // lets go of a large body at once
    m_phase = Phase::Idle;
    if (close)
        closeAfterFlush();
    else
        m_idle.start();
    Q_EMIT m_server.requestServed(target);
    readRequests();
}

void SiteServer::Connection::hungUp()
{
    if (m_phase == Phase::Waiting || m_phase == Phase::Sending)
        m_server.settle(m_serial, &Request::abandoned);
    m_phase = Phase::Closed;
    deleteLater();
}

void SiteServer::Connection::closeAfterFlush()
{
    m_phase = Phase::Closed;
    m_idle.start(); // in case the client never reads the rest
    m_socket->disconnectFromHost();
}

void SiteServer::Connection::reset()
{
    m_phase = Phase::Closed;
    // Qt's abort() still ends with a FIN; a zero linger time makes the kernel send RST instead.
    const linger noLinger{1, 0};
    ::setsockopt(m_socket->socketDescriptor(), SOL_SOCKET, SO_LINGER, reinterpret_cast<const char*>(&noLinger),
                 sizeof noLinger);
    m_socket->abort();
}

SiteServer::SiteServer(QObject* parent) : QObject(parent), m_listener(new QTcpServer(this))
{
    connect(m_listener, &QTcpServer::newConnection, this, &SiteServer::acceptConnections);
}

SiteServer::~SiteServer()
{
    // Connections reach back into this object; they must go while it is still whole.
    const auto connections = m_connections;
    for (Connection* connection : connections)
        delete connection;
}

bool SiteServer::listen(quint16 port)
{
    return m_listener->listen(QHostAddress::LocalHost, port);
}

QString SiteServer::errorString() const
{
    return m_listener->errorString();
}

QString SiteServer::baseUrl() const
{
    return u"http://127.0.0.1:%1"_s.arg(m_listener->serverPort());
}

void SiteServer::setPage(const QString& pathAndQuery, SiteResponse response)
{
    m_pages.insert(normalizedTarget(pathAndQuery), response); // the table takes a copy
}

void SiteServer::setHandler(Handler handler)
{
    m_handler = std::move(handler);
}

int SiteServer::hits(const QString& pathAndQuery) const
{
    const QString key = normalizedTarget(pathAndQuery);
    if (key.contains(u'?'))
        return m_hits.value(key);
    int count = 0;
    for (auto it = m_hits.cbegin(); it != m_hits.cend(); ++it) {
        if (QStringView(it.key()).left(it.key().indexOf(u'?')) == key)
            count += it.value();
    }
    return count;
}

void SiteServer::acceptConnections()
{
    while (QTcpSocket* socket = m_listener->nextPendingConnection()) {
        // An answer goes out as its head, then its body: without this the body would wait for
        // the client's delayed acknowledgement of the head, some 40 ms an answer.
        socket->setSocketOption(QAbstractSocket::LowDelayOption, 1);
        new Connection(*this, socket);
    }
}

SiteResponse SiteServer::respond(const QString& pathAndQuery) const
{
    if (m_handler) {
        if (std::optional<SiteResponse> generated = m_handler(pathAndQuery))
            return std::move(*generated);
    }
    const QString key = normalizedTarget(pathAndQuery);
    if (auto it = m_pages.constFind(key); it != m_pages.cend())
        return *it;
    if (const qsizetype query = key.indexOf(u'?'); query >= 0) {
        if (auto it = m_pages.constFind(key.left(query)); it != m_pages.cend())
            return *it;
    }
    return plainResponse(404);
}

quint64 SiteServer::record(Request request)
{
    ++m_hits[normalizedTarget(request.pathAndQuery)];
    request.serial = ++m_serial;
    m_requests.append(std::move(request));
    while (m_requests.size() > m_logLimit)
        m_requests.removeFirst();
    return m_serial;
}

void SiteServer::settle(quint64 serial, bool Request::*how)
{
    for (qsizetype i = m_requests.size() - 1; i >= 0; --i) {
        if (m_requests[i].serial == serial) {
            m_requests[i].*how = true;
            return;
        }
    }
}

} // namespace kazeyomi
