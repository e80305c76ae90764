// Pages by URL without a network; records what was asked for.
#pragma once

#include <functional>
#include <map>

#include "fetch/page_source.h"

namespace kazeyomi::test {

class FakePageSource final : public PageSource {
public:
    std::map<QString, FetchResult> pages;
    QStringList requested;
    std::function<void(const QString& url)> onGet; // called with every request, before it is answered

    void setPage(const QString& url, const QByteArray& body,
                 const QByteArray& contentType = "text/html; charset=Shift_JIS")
    {
        FetchResult page;
        page.body = body;
        page.contentType = contentType;
        page.status = 200;
        pages[url] = page;
    }

    FetchResult get(const QString& url, const QList<QPair<QByteArray, QByteArray>>&) override
    {
        requested << url;
        if (onGet)
            onGet(url);
        const auto it = pages.find(url);
        if (it != pages.end())
            return it->second;
        FetchResult missing;
        missing.status = 404;
        missing.error = url + QStringLiteral(": HTTP status 404");
        return missing;
    }
};

} // namespace kazeyomi::test
