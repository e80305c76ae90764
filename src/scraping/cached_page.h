// The step every scraper starts with: fetch its page into the page cache "tmp.txt", keep
// a copy of it under the page's own name, refuse a page too short to be real, and open the
// line reader on it.
#pragma once

#include <QString>

#include "fetch/page_fetcher.h"
#include "scraping/page_reader.h"

namespace kazeyomi {

// A scraper's page: the name of the copy kept of it in the application folder (empty: no
// copy) and the least size in bytes of a real page; anything shorter is the site's busy or
// error page.
struct PageKind {
    QString copyName;
    qint64 minBytes = 0;
};

enum class PageState {
    FetchFailed, // `fetch` says why; tmp.txt is not this page
    Short,       // the page arrived but holds fewer than the least bytes
    Ready,       // `reader` is open on the page
};

struct [[nodiscard]] CachedPage {
    PageState state = PageState::FetchFailed;
    PageFetch fetch; // the fetch, with its failure or the page it brought; empty when read from tmp.txt
    qint64 bytes = 0;
    PageReader reader{QString()};

    bool ready() const { return state == PageState::Ready; }
    // Why the page is not there to read; empty when it is.
    QString reason() const;
};

// "<site>/odds/<raceCode><page>", page "01.do" and the like: the odds pages of the racing site,
// as the scrapers fetch them and the fetch cycle asks for them ahead.
QString oddsPageUrl(const QString& site, const QString& raceCode, const QString& page);

// Fetches `url` into tmp.txt and opens the page the fetch brought, from memory: what became of
// tmp.txt since does not matter. After a failed fetch the copy is removed, for there is no
// last page to keep; a fetch cut short because the program is ending leaves the copy as it
// was, as nothing is written on the way out.
CachedPage fetchCachedPage(PageFetcher& fetcher, const QString& url, const PageKind& page);
// The same for the page already in tmp.txt, read from the file: the copy is replaced by
// tmp.txt, then the size is checked and the reader opened.
CachedPage openCachedPage(PageFetcher& fetcher, const PageKind& page);

} // namespace kazeyomi
