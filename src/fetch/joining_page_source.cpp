#include "fetch/joining_page_source.h"

#include <utility>

namespace kazeyomi {

// One request to the source underneath and everyone waiting for its answer, in the order asked.
struct JoiningPageSource::Request {
    QString url;
    RequestHeaders headers;
    quint64 underneath = 0;
    bool answered = false;
    std::map<quint64, FetchDone> askers;
};

JoiningPageSource::JoiningPageSource(std::unique_ptr<PageSource> source) : m_source(std::move(source)) {}

JoiningPageSource::~JoiningPageSource() = default;

FetchResult JoiningPageSource::get(const QString& url, const RequestHeaders& headers)
{
    return m_source->get(url, headers);
}

quint64 JoiningPageSource::start(const QString& url, const RequestHeaders& headers, FetchDone done)
{
    const quint64 asker = ++m_lastAsker;
    if (const auto joined = m_inFlight.find(url); joined != m_inFlight.end() && joined->second->headers == headers) {
        joined->second->askers.emplace(asker, std::move(done));
        m_askers.emplace(asker, joined->second);
        return asker;
    }
    auto request = std::make_shared<Request>();
    request->url = url;
    request->headers = headers;
    request->askers.emplace(asker, std::move(done));
    m_inFlight[url] = request;
    m_askers.emplace(asker, request);
    // A source that cannot fetch ahead answers before start() returns.
    const std::weak_ptr<Request> weak = request;
    const quint64 underneath = m_source->start(url, headers, [this, weak](FetchResult page) {
        if (const std::shared_ptr<Request> answered = weak.lock())
            answer(answered, page);
    });
    request->underneath = underneath;
    return asker;
}

void JoiningPageSource::answer(const std::shared_ptr<Request>& request, const FetchResult& page)
{
    request->answered = true;
    if (const auto it = m_inFlight.find(request->url); it != m_inFlight.end() && it->second == request)
        m_inFlight.erase(it);
    // An asker's handler may ask or abandon again: the list is taken out first.
    std::map<quint64, FetchDone> askers = std::exchange(request->askers, {});
    for (const auto& [asker, done] : askers)
        m_askers.erase(asker);
    for (auto& [asker, done] : askers)
        done(page);
}

void JoiningPageSource::abandon(quint64 asker)
{
    const auto it = m_askers.find(asker);
    if (it == m_askers.end())
        return;
    const std::shared_ptr<Request> request = it->second;
    m_askers.erase(it);
    request->askers.erase(asker);
    if (!request->askers.empty() || request->answered)
        return;
    if (const auto flying = m_inFlight.find(request->url); flying != m_inFlight.end() && flying->second == request)
        m_inFlight.erase(flying);
    m_source->abandon(request->underneath);
}

void JoiningPageSource::stop()
{
    m_source->stop();
}

} // namespace kazeyomi
