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
    // Each redirect is examined by followsRedirect().
    m_network.setRedirectPolicy(QNetworkRequest::UserVerifiedRedirectPolicy);
}

bool HttpPageSource::followsRedirect(const QUrl& from, const QUrl& to)
{
    if (from.host().compare(to.host(), Qt::CaseInsensitive) != 0 || to.host().isEmpty())
        return false;
    const auto port = [](const QUrl& url) { return url.port(url.scheme() == u"https" ? 443 : 80); };
    if (from.scheme() == to.scheme())
        return port(from) == port(to);
    return from.scheme() == u"http" && to.scheme() == u"https";
}

void HttpPageSource::stop()
{
    m_stopped = true;
    if (m_inFlight)
        m_inFlight->abort();
}

FetchResult HttpPageSource::get(const QString& url, const QList<QPair<QByteArray, QByteArray>>& headers)
{
    FetchResult result;
    if (m_stopped) {
        result.error = u"%1: not fetched, the program is ending"_s.arg(url);
        result.interrupted = true;
        return result;
    }
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
    m_inFlight = reply;
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
    QObject::connect(reply, &QNetworkReply::redirected, &loop, [&](const QUrl& to) {
        if (followsRedirect(reply->url(), to)) {
            Q_EMIT reply->redirectAllowed();
        } else if (failure.isEmpty()) {
            failure = u"redirected to %1, another site"_s.arg(to.toString());
            reply->abort();
        }
    });
    QObject::connect(reply, &QNetworkReply::finished, &loop, &QEventLoop::quit);
    limit.start(m_timeoutMs);
    if (!reply->isFinished())
        loop.exec();
    limit.stop();
    m_inFlight = nullptr;

    // The wait can end before the answer is whole: QCoreApplication::exit() ends every
    // event loop, this one included. What came so far is not the page.
    if (failure.isEmpty() && (m_stopped || (reply && !reply->isFinished()))) {
        failure = m_stopped ? u"given up, the program is ending"_s : u"the wait ended before the page was whole"_s;
        result.interrupted = true;
    }
    if (reply && !reply->isFinished())
        reply->abort();

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
