#include "fetch/http_page_source.h"

#include <algorithm>
#include <utility>
#include <vector>

#include <QEventLoop>
#include <QNetworkReply>
#include <QPointer>
#include <QTimer>
#include <QUrl>

namespace kazeyomi {

using namespace Qt::StringLiterals;

// One request in flight. The reply and its timer are Qt's to delete; every handler looks its
// transfer up by number, so a transfer already ended ignores what its reply still says.
struct HttpPageSource::Transfer {
    QString url;
    QUrl current;        // where the request is now: the last redirect followed, or the address asked for
    QList<QUrl> visited; // every address of the way so far, to see a redirect loop
    QPointer<QNetworkReply> reply;
    QNetworkAccessManager* network = nullptr;
    QByteArray body;
    QString failure;
    FetchDone done;
};

HttpPageSource::HttpPageSource(int timeoutMs, qint64 maxBytes) : m_timeoutMs(timeoutMs), m_maxBytes(maxBytes)
{
    for (int i = 0; i < kConnectionPools; ++i) {
        auto network = std::make_unique<QNetworkAccessManager>();
        // Each redirect is examined by followsRedirect().
        network->setRedirectPolicy(QNetworkRequest::UserVerifiedRedirectPolicy);
        m_networks.push_back(std::move(network));
    }
}

QNetworkAccessManager& HttpPageSource::leastBusy()
{
    std::vector<int> load(m_networks.size());
    for (const auto& [request, transfer] : m_inFlight)
        for (size_t i = 0; i < m_networks.size(); ++i)
            load[i] += transfer->network == m_networks[i].get() ? 1 : 0;
    return *m_networks[size_t(std::min_element(load.begin(), load.end()) - load.begin())];
}

HttpPageSource::~HttpPageSource()
{
    m_stopped = true;
    while (!m_inFlight.empty())
        cut(m_inFlight.begin()->first, {}, true);
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
    std::vector<quint64> requests;
    for (const auto& entry : m_inFlight)
        requests.push_back(entry.first);
    for (quint64 request : requests)
        cut(request, u"given up, the program is ending"_s, false);
}

void HttpPageSource::abandon(quint64 request)
{
    cut(request, {}, true);
}

void HttpPageSource::stopReply(QNetworkReply& reply)
{
    // A reply that has failed or finished already is on its way to finished(); aborting it
    // again would report a second error.
    if (!reply.isFinished() && reply.error() == QNetworkReply::NoError)
        reply.abort();
}

void HttpPageSource::cut(quint64 request, const QString& why, bool silently)
{
    const auto it = m_inFlight.find(request);
    if (it == m_inFlight.end())
        return;
    const std::unique_ptr<Transfer> transfer = std::move(it->second);
    m_inFlight.erase(it);
    if (transfer->reply) {
        stopReply(*transfer->reply);
        transfer->reply->deleteLater();
    }
    if (silently)
        return;
    FetchResult result;
    result.error = u"%1: %2"_s.arg(transfer->url, why);
    result.interrupted = true;
    transfer->done(std::move(result));
}

quint64 HttpPageSource::start(const QString& url, const RequestHeaders& headers, FetchDone done)
{
    const quint64 id = ++m_lastRequest;
    FetchResult refused;
    if (m_stopped) {
        refused.error = u"%1: not fetched, the program is ending"_s.arg(url);
        refused.interrupted = true;
        done(std::move(refused));
        return id;
    }
    const QUrl target(url);
    if (!target.isValid() || (target.scheme() != u"http" && target.scheme() != u"https") || target.host().isEmpty()) {
        refused.error = u"%1: not an http or https address"_s.arg(url);
        done(std::move(refused));
        return id;
    }
    QNetworkRequest request(target);
    for (const auto& [name, value] : headers)
        request.setRawHeader(name, value);
    request.setAttribute(QNetworkRequest::CacheLoadControlAttribute, QNetworkRequest::AlwaysNetwork);
    request.setAttribute(QNetworkRequest::CacheSaveControlAttribute, false);

    auto transfer = std::make_unique<Transfer>();
    transfer->url = url;
    transfer->current = target;
    transfer->visited = {target};
    transfer->done = std::move(done);
    transfer->network = &leastBusy();
    QNetworkReply* reply = transfer->network->get(request);
    transfer->reply = reply;
    m_inFlight.emplace(id, std::move(transfer));

    const auto failWith = [this, id](const QString& why) {
        const auto it = m_inFlight.find(id);
        if (it == m_inFlight.end() || !it->second->failure.isEmpty())
            return;
        it->second->failure = why;
        stopReply(*it->second->reply);
    };
    auto* limit = new QTimer(reply);
    limit->setSingleShot(true);
    QObject::connect(limit, &QTimer::timeout, reply,
                     [failWith, this] { failWith(u"no complete answer within %1 s"_s.arg(m_timeoutMs / 1000.0)); });
    QObject::connect(reply, &QNetworkReply::readyRead, reply, [this, id, reply, failWith] {
        const auto it = m_inFlight.find(id);
        if (it == m_inFlight.end())
            return;
        it->second->body += reply->readAll();
        if (it->second->body.size() > m_maxBytes)
            failWith(u"the page is larger than %1 MiB"_s.arg(m_maxBytes / (1024 * 1024)));
    });
    // Judged against the address before the redirect: by now the reply's url() is already the target.
    QObject::connect(reply, &QNetworkReply::redirected, reply, [this, id, reply, failWith](const QUrl& to) {
        const auto it = m_inFlight.find(id);
        if (it == m_inFlight.end())
            return;
        Transfer& transfer = *it->second;
        const QUrl target = transfer.current.resolved(to);
        if (!followsRedirect(transfer.current, target))
            return failWith(u"redirected to %1, another site"_s.arg(target.toString()));
        if (transfer.visited.contains(target.adjusted(QUrl::NormalizePathSegments)))
            return failWith(u"redirected in a loop, back to %1"_s.arg(target.toString()));
        transfer.current = target;
        transfer.visited << target.adjusted(QUrl::NormalizePathSegments);
        Q_EMIT reply->redirectAllowed();
    });
    QObject::connect(reply, &QNetworkReply::finished, reply, [this, id] { finish(id); });
    // A request asked for with the other pages of a race may wait for a free connection; its
    // time limit counts again from when it goes out, once (not for every redirect).
    QObject::connect(reply, &QNetworkReply::requestSent, limit, [this, limit, sent = false]() mutable {
        if (!std::exchange(sent, true))
            limit->start(m_timeoutMs);
    });
    limit->start(m_timeoutMs);
    if (reply->isFinished())
        QMetaObject::invokeMethod(
            reply, [this, id] { finish(id); }, Qt::QueuedConnection);
    return id;
}

void HttpPageSource::finish(quint64 request)
{
    const auto it = m_inFlight.find(request);
    if (it == m_inFlight.end())
        return;
    const std::unique_ptr<Transfer> transfer = std::move(it->second);
    m_inFlight.erase(it);
    QString failure = transfer->failure;
    FetchResult result;
    if (QNetworkReply* reply = transfer->reply) {
        if (reply->isOpen())
            transfer->body += reply->readAll();
        result.status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
        result.contentType = reply->rawHeader("Content-Type");
        const bool success = result.status >= 200 && result.status < 300;
        const QString from =
            transfer->current == QUrl(transfer->url) ? QString() : u" from "_s + transfer->current.toString();
        // Only a 2xx answer is the page: an error page, an interim answer or a redirect that was
        // not followed is not.
        if (failure.isEmpty() && result.status != 0 && !success)
            failure = u"HTTP status %1%2"_s.arg(result.status).arg(from);
        if (failure.isEmpty() && reply->error() != QNetworkReply::NoError)
            failure = reply->errorString();
        if (failure.isEmpty() && !success)
            failure = u"no HTTP answer%1"_s.arg(from);
        reply->deleteLater();
    } else if (failure.isEmpty()) {
        failure = u"the answer was lost"_s;
    }
    if (failure.isEmpty() && transfer->body.size() > m_maxBytes)
        failure = u"the page is larger than %1 MiB"_s.arg(m_maxBytes / (1024 * 1024));
    if (failure.isEmpty())
        result.body = std::move(transfer->body);
    else
        result.error = u"%1: %2"_s.arg(transfer->url, failure);
    transfer->done(std::move(result));
}

FetchResult HttpPageSource::get(const QString& url, const RequestHeaders& headers)
{
    FetchResult result;
    bool answered = false;
    QEventLoop loop;
    const quint64 id = start(url, headers, [&](FetchResult page) {
        result = std::move(page);
        answered = true;
        loop.quit();
    });
    if (!answered)
        loop.exec();
    // The wait can end before the answer is whole: QCoreApplication::exit() ends every event
    // loop, this one included. What came so far is not the page.
    if (!answered) {
        cut(id, {}, true);
        result = {};
        result.error = u"%1: the wait ended before the page was whole"_s.arg(url);
        result.interrupted = true;
    }
    return result;
}

} // namespace kazeyomi
