// GET over HTTP(S) with Qt Network: one connection pool for the program, so the pages of a race
// can be asked for at once, a time limit on each whole transfer and a size limit, so that no
// server can stall or flood the program.
#pragma once

#include <map>
#include <memory>
#include <vector>

#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QUrl>

#include "fetch/page_source.h"

namespace kazeyomi {

class HttpPageSource final : public PageSource {
public:
    static constexpr qint64 kMaxBodyBytes = 8 * 1024 * 1024;
    // Qt keeps at most six HTTP/1.1 connections to a host for each network access manager, a
    // number it does not let us change before Qt 6.5; the pages of a busy tick (four races of
    // seven pages) would queue behind each other. Each manager has connections of its own, so
    // the requests are spread over a few of them. Over HTTPS a site that speaks HTTP/2 gets all
    // its requests on one connection per manager anyway.
    static constexpr int kConnectionPools = 4;

    explicit HttpPageSource(int timeoutMs, qint64 maxBytes = kMaxBodyBytes);
    ~HttpPageSource() override;
    FetchResult get(const QString& url, const RequestHeaders& headers) override;
    quint64 start(const QString& url, const RequestHeaders& headers, FetchDone done) override;
    void abandon(quint64 request) override;
    void stop() override;

    // Redirects are followed on the same site only: the same scheme, host and port, or from
    // http to https on the same host.
    static bool followsRedirect(const QUrl& from, const QUrl& to);

private:
    struct Transfer;
    void finish(quint64 request);
    static void stopReply(QNetworkReply& reply);
    // Ends a transfer before its answer is whole; `done` gets `why` unless `silently`.
    void cut(quint64 request, const QString& why, bool silently);

    // The pool with the fewest requests in flight.
    QNetworkAccessManager& leastBusy();

    std::vector<std::unique_ptr<QNetworkAccessManager>> m_networks;
    std::map<quint64, std::unique_ptr<Transfer>> m_inFlight;
    quint64 m_lastRequest = 0;
    bool m_stopped = false;
    int m_timeoutMs;
    qint64 m_maxBytes;
};

} // namespace kazeyomi
