#include "fetch/http_page_source.h"

#include <QEventLoop>
#include <QNetworkReply>
#include <QPointer>
#include <QTimer>
#include <QUrl>

namespace kazeyomi {

using namespace Qt::StringLiterals;

HttpPageSource::HttpPageSource(int timeoutMs, qint64 maxBytes) : m_timeoutMs(timeoutMs), m_maxBytes(maxBytes)
{
    // Redirects are followed only within the same scheme, host and port.
    m_network.setRedirectPolicy(QNetworkRequest::SameOriginRedirectPolicy);
}

FetchResult HttpPageSource::get(const QString& url, const QList<QPair<QByteArray, QByteArray>>& headers)
{
    FetchResult result;
    const QUrl target(url);
    if (!target.isValid() || (target.scheme() != u"http" && target.scheme() != u"https") || target.host().isEmpty()) {
        result.error = u"%1: not an http or https address"_s.arg(url);
        return result;
    }
    QNetworkRequest request(target);
    for (const auto& [name, value] : headers)
        request.setRawHeader(name, value);
    request.setAttribute(QNetworkRequest::CacheLoadControlAttribute, QNetworkRequest::AlwaysNetwork);
    request.setAttribute(QNetworkRequest::CacheSaveControlAttribute, false);

    QPointer<QNetworkReply> reply = m_network.get(request);
    QEventLoop loop;
    QTimer limit;
    limit.setSingleShot(true);
    QString failure;
    QByteArray body;
    QObject::connect(&limit, &QTimer::timeout, &loop, [&] {
        failure = u"no complete answer within %1 s"_s.arg(m_timeoutMs / 1000.0);
        reply->abort();
    });
    QObject::connect(reply, &QNetworkReply::readyRead, &loop, [&] {
        body += reply->readAll();
        if (body.size() > m_maxBytes && failure.isEmpty()) {
            failure = u"the page is larger than %1 MiB"_s.arg(m_maxBytes / (1024 * 1024));
            reply->abort();
        }
    });
    QObject::connect(reply, &QNetworkReply::finished, &loop, &QEventLoop::quit);
    limit.start(m_timeoutMs);
    if (!reply->isFinished())
        loop.exec();
    limit.stop();

    if (reply) {
        if (reply->isOpen())
            body += reply->readAll();
        result.status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
        result.contentType = reply->rawHeader("Content-Type");
        if (failure.isEmpty() && reply->error() != QNetworkReply::NoError && result.status < 300)
            failure = reply->errorString();
        reply->deleteLater();
    }
    if (failure.isEmpty() && result.status >= 300)
        failure = u"HTTP status %1"_s.arg(result.status);
    if (failure.isEmpty() && body.size() > m_maxBytes)
        failure = u"the page is larger than %1 MiB"_s.arg(m_maxBytes / (1024 * 1024));
    if (!failure.isEmpty()) {
        result.error = u"%1: %2"_s.arg(url, failure);
        return result;
    }
    result.body = std::move(body);
    return result;
}

} // namespace kazeyomi
