// GET over HTTP(S) with Qt Network: one connection pool for the program, a time limit on
// the whole transfer and a size limit, so that no server can stall or flood the program.
#pragma once

#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QPointer>
#include <QUrl>

#include "fetch/page_source.h"

namespace kazeyomi {

class HttpPageSource final : public PageSource {
public:
    static constexpr qint64 kMaxBodyBytes = 8 * 1024 * 1024;

    explicit HttpPageSource(int timeoutMs, qint64 maxBytes = kMaxBodyBytes);
    FetchResult get(const QString& url, const QList<QPair<QByteArray, QByteArray>>& headers) override;
    void stop() override;

    // Redirects are followed on the same site only: the same scheme, host and port, or from
    // http to https on the same host.
    static bool followsRedirect(const QUrl& from, const QUrl& to);

private:
    QNetworkAccessManager m_network;
    QPointer<QNetworkReply> m_inFlight;
    bool m_stopped = false;
    int m_timeoutMs;
    qint64 m_maxBytes;
};

} // namespace kazeyomi
