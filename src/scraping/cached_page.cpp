#include "scraping/cached_page.h"

#include <functional>

#include <QFile>

#include "foundation/file_writer.h"
#include "foundation/plain_file.h"
#include "foundation/text_codec.h"

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

namespace {

// Keeps the copy of the page for whoever wants to see what its last fetch brought; a copy that
// cannot be written is logged and costs the scraper nothing.
void keepCopy(PageFetcher& fetcher, const PageKind& page, const QByteArray* bytes)
{
    if (page.copyName.isEmpty())
        return;
    const QString copy = fetcher.path(page.copyName);
    if (!bytes) {
        if (notAPlainFile(copy).isEmpty())
            QFile::remove(copy);
    } else if (const Outcome written = FileWriter().write(copy, *bytes); !written.ok()) {
        fetcher.log(written.error);
    }
}

// The size checked, then the reader opened.
CachedPage openedPage(qint64 bytes, const PageKind& page, const std::function<PageReader()>& reader)
{
    CachedPage result;
    result.bytes = bytes;
    if (result.bytes < page.minBytes) {
        result.state = PageState::Short;
        return result;
    }
    result.state = PageState::Ready;
    result.reader = reader();
    return result;
}

} // namespace

CachedPage fetchCachedPage(PageFetcher& fetcher, const QString& url, const PageKind& page)
{
    PageFetch fetch = fetcher.Navigate2(url);
    if (!fetch.ok() || !fetch.page) {
        // A failed fetch is no page, whatever an older tmp.txt may still hold.
        if (!fetch.interrupted)
            keepCopy(fetcher, page, nullptr);
        CachedPage failed;
        failed.fetch = std::move(fetch);
        return failed;
    }
    // The page this fetch brought, as it was written to tmp.txt: the file may have been
    // replaced since.
    const SharedPage brought = fetch.page;
    keepCopy(fetcher, page, &brought->bytes);
    CachedPage opened = openedPage(brought->bytes.size(), page, [&] { return PageReader(brought->text); });
    opened.fetch = std::move(fetch);
    return opened;
}

CachedPage openCachedPage(PageFetcher& fetcher, const PageKind& page)
{
    QFile cache(fetcher.path(kPageCache));
    const bool there = cache.open(QIODevice::ReadOnly);
    const QByteArray bytes = there ? cache.readAll() : QByteArray();
    keepCopy(fetcher, page, there ? &bytes : nullptr);
    return openedPage(bytes.size(), page, [&] { return PageReader(fromCp932(bytes)); });
}

} // namespace kazeyomi
