// GET over HTTP(S) with Qt Network: one connection pool for the program, so the pages of a race
// can be asked for at once, a time limit on each whole transfer and a size limit, so that no
// server can stall or flood the program.
#pragma once

#include <map>
#include <memory>

#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QUrl>

#include "fetch/page_source.h"

namespace kazeyomi {

class HttpPageSource final : public PageSource {
public:
    static constexpr qint64 kMaxBodyBytes = 8 * 1024 * 1024;

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

    QNetworkAccessManager m_network;
    std::map<quint64, std::unique_ptr<Transfer>> m_inFlight;
    quint64 m_lastRequest = 0;
    bool m_stopped = false;
    int m_timeoutMs;
    qint64 m_maxBytes;
};

} // namespace kazeyomi
