#include "scraping/cached_page.h"

#include <QFile>

#include "foundation/file_writer.h"

namespace kazeyomi {

using namespace Qt::StringLiterals;

namespace {

const QString kPageCache = u"tmp.txt"_s;

} // namespace

QString CachedPage::reason() const
{
    switch (state) {
    case PageState::FetchFailed:
        return fetch.error;
    case PageState::Short:
        return u"the page has %1 bytes, too few to be a real page"_s.arg(bytes);
    case PageState::Ready:
        break;
    }
    return {};
}

QString oddsPageUrl(const QString& site, const QString& raceCode, const QString& page)
{
    return site + u"/odds/"_s + raceCode + page;
}

CachedPage fetchCachedPage(PageFetcher& fetcher, const QString& url, const PageKind& page)
{
    PageFetch fetch = fetcher.Navigate2(url);
    if (!fetch.ok()) {
        // A failed fetch is no page, whatever an older tmp.txt may still hold.
        if (!fetch.interrupted && !page.copyName.isEmpty())
            QFile::remove(fetcher.path(page.copyName));
        CachedPage failed;
        failed.fetch = std::move(fetch);
        return failed;
    }
    return openCachedPage(fetcher, page);
}

CachedPage openCachedPage(const PageFetcher& fetcher, const PageKind& page)
{
    QFile cache(fetcher.path(kPageCache));
    const bool there = cache.open(QIODevice::ReadOnly);
    const QByteArray bytes = there ? cache.readAll() : QByteArray();
    // Kept for whoever wants to see what the last fetch of this page brought; a copy that
    // cannot be written costs the scraper nothing.
    if (!page.copyName.isEmpty()) {
        const QString copy = fetcher.path(page.copyName);
        if (there)
            (void)FileWriter().write(copy, bytes);
        else
            QFile::remove(copy);
    }
    CachedPage opened;
    opened.bytes = bytes.size();
    if (opened.bytes < page.minBytes) {
        opened.state = PageState::Short;
        return opened;
    }
    opened.state = PageState::Ready;
    // The lines the fetch made ready, without decoding the file again, while it holds that page.
    opened.reader = PageReader(fetcher.pageCacheLines(bytes));
    return opened;
}

} // namespace kazeyomi
