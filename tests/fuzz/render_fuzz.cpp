// The rendering of a fetched page in both markup styles: the first byte picks the style and
// whether a Content-Type line comes first; the rest is the page as it came from the site.
#include "fetch/html_renderer.h"
#include "fetch/page_fetcher.h"
#include "fuzz/fuzz_target.h"

namespace {

void renderPages(const QByteArray& data)
{
    if (data.isEmpty())
        return;
    const char flags = data[0];
    QByteArray body = data.mid(1);
    QByteArray contentType = "text/html";
    if (flags & 2) {
        const qsizetype end = body.indexOf('\n');
        contentType = body.left(end);
        body = end < 0 ? QByteArray() : body.mid(end + 1);
    }
    const auto style = (flags & 1) ? kazeyomi::MarkupStyle::Legacy : kazeyomi::MarkupStyle::Modern;
    const kazeyomi::SharedPage page = kazeyomi::preparePage(body, contentType, style);
    if (flags & 4)
        (void)kazeyomi::renderBody(QString::fromUtf8(body), style);
    (void)page;
}

} // namespace

KAZEYOMI_FUZZ_ENTRY(render, renderPages)
