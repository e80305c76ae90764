// A page asked for again while its first request is still on its way joins that request: both
// askers get the one answer, the bytes a second request would have brought a moment later. The
// quinella and the wide odds are one page, so a race's cycle asks the site for it once, and a
// 16-runner race's six requests fit the six connections kept per host.
#pragma once

#include <map>
#include <memory>

#include "fetch/page_source.h"

namespace kazeyomi {

class JoiningPageSource final : public PageSource {
public:
    explicit JoiningPageSource(std::unique_ptr<PageSource> source);
    ~JoiningPageSource() override;

    // Waited-for fetches go straight through: one ends before the next starts.
    FetchResult get(const QString& url, const RequestHeaders& headers) override;
    quint64 start(const QString& url, const RequestHeaders& headers, FetchDone done) override;
    // The request underneath is given up only when nobody who joined it wants it any more.
    void abandon(quint64 request) override;
    void stop() override;

private:
    struct Request;
    void answer(const std::shared_ptr<Request>& request, const FetchResult& page);

    std::unique_ptr<PageSource> m_source;
    std::map<QString, std::shared_ptr<Request>> m_inFlight; // by address
    std::map<quint64, std::shared_ptr<Request>> m_askers;   // by the number given to each asker
    quint64 m_lastAsker = 0;
};

} // namespace kazeyomi
