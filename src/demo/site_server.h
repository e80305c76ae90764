// A small HTTP/1.1 server on 127.0.0.1 that stands in for the two racing web sites in the
// tests and on the demo day. It serves fixed or generated pages and can misbehave on request.
#pragma once

#include <functional>
#include <optional>
#include <unordered_set>

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QMap>
#include <QObject>
#include <QPair>
#include <QString>

class QTcpServer;

namespace kazeyomi {

struct SiteResponse {
    enum class Drop {
        None,
        CloseWithoutAnswer, // close the connection without sending a byte
        Reset,              // tear the connection down with a TCP reset
    };

    int status = 200;
    QByteArray body = {};
    QByteArray contentType = "text/html; charset=Shift_JIS"; // empty: no Content-Type header at all
    QList<QPair<QByteArray, QByteArray>> headers = {};       // extra headers, e.g. Location, Content-Encoding
    int delayBeforeMs = 0;                                   // wait before sending anything
    qint64 pauseAfterBytes = -1; // send this many body bytes, wait pauseMs, then send the rest
    int pauseMs = 0;
    qint64 cutAfterBytes = -1; // announce the whole body, send only this many bytes of it, then close
    Drop drop = Drop::None;    // misbehave as soon as the request has arrived
    bool chunked = false;      // Transfer-Encoding: chunked instead of Content-Length
};

class SiteServer : public QObject {
    Q_OBJECT
public:
    // Gets the request target as the client sent it (path and query, still percent-encoded).
    using Handler = std::function<std::optional<SiteResponse>(const QString& pathAndQuery)>;

    struct Request {
        QString method;
        QString pathAndQuery;                 // as sent, still percent-encoded
        QMap<QByteArray, QByteArray> headers; // names lower-cased; repeated headers joined with ", "
        bool answered = false;                // the whole answer was handed to the connection
        bool abandoned = false;               // the client hung up before the whole answer was sent
        quint64 serial = 0;                   // the request's number since the start, from 1
    };

    static constexpr qsizetype kMaxLoggedRequests = 10000;

    explicit SiteServer(QObject* parent = nullptr);
    ~SiteServer() override;

    bool listen(quint16 port = 0); // on 127.0.0.1; a free port when 0
    QString errorString() const;
    QString baseUrl() const; // "http://127.0.0.1:<port>"

    // A page for one request target. A target with a query is looked up as given first, then
    // by its path alone. Targets are compared in their percent-encoded form, so "/a?x=大" and
    // "/a?x=%E5%A4%A7" name the same page.
    void setPage(const QString& pathAndQuery, SiteResponse response);
    // Asked before the pages; returning nothing falls back to them, and to 404 if none fits.
    void setHandler(Handler handler);

    // Keeps only the last `limit` requests (kMaxLoggedRequests unless set).
    void setLogLimit(qsizetype limit) { m_logLimit = limit; }
    // Every request received, in order, the last kMaxLoggedRequests of them.
    const QList<Request>& requests() const { return m_requests; }
    // Requests for this target since the start; a target without a query counts every query.
    int hits(const QString& pathAndQuery) const;
    int connectionCount() const { return int(m_connections.size()); }

Q_SIGNALS:
    // The response has been handed to the connection in full (or dropped, or cut as asked).
    void requestServed(const QString& pathAndQuery);

private:
    class Connection;
    friend class Connection;

    void acceptConnections();
    SiteResponse respond(const QString& pathAndQuery) const;
    // Logs the request; the number it gets says which entry settle() marks.
    quint64 record(Request request);
    void settle(quint64 serial, bool Request::*how);

    QTcpServer* m_listener;
    QHash<QString, SiteResponse> m_pages;
    Handler m_handler;
    QList<Request> m_requests;
    quint64 m_serial = 0;
    qsizetype m_logLimit = kMaxLoggedRequests;
    QHash<QString, int> m_hits;
    std::unordered_set<Connection*> m_connections;
};

} // namespace kazeyomi
