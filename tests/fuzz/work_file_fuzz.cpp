// The work file and page cache readers: the bytes as they may lie in tmp2.txt or tmp.txt,
// read back line by line and cut with the scrapers' marker cut.
#include <array>

#include <QFile>

#include "foundation/text_codec.h"
#include "fuzz/fuzz_env.h"
#include "fuzz/fuzz_target.h"
#include "scraping/cached_page.h"
#include "scraping/text_helpers.h"
#include "scraping/work_file.h"

namespace {

using namespace kazeyomi;

void readAll(PageReader reader)
{
    QString line;
    while (reader.readUntil(line, QStringLiteral("<td")))
        (void)attempt([&] { (void)Moji_get(line, QStringLiteral("<td>"), QStringLiteral("</td>")); });
    (void)reader.skip(line, 3);
}

void readBack(const QByteArray& data)
{
    fuzz::FuzzEnv& e = fuzz::env(MarkupStyle::Modern);
    for (const char* name : {"tmp.txt", "tmp2.txt"}) {
        QFile file(e.fetcher.path(QString::fromLatin1(name)));
        if (!file.open(QIODevice::WriteOnly) || file.write(data) != data.size())
            return;
    }
    readAll(WorkFile(e.fetcher).readBack());
    const CachedPage page = openCachedPage(e.fetcher, PageKind{QStringLiteral("copy.txt"), 0});
    if (page.ready())
        readAll(page.reader);
    // What a scraper writes back from a line of the page: quoted, then each cell a line.
    WorkFile work(e.fetcher);
    work.addQuoted(fromCp932(data));
    work.addLine(
        replaceInOrder(fromCp932(data), std::array{Replacement{QStringLiteral("<"), QStringLiteral("\r\n<")}}));
    if (work.write().ok())
        readAll(work.readBack());
}

} // namespace

KAZEYOMI_FUZZ_ENTRY(work_file, readBack)
