// The result capture on whatever page the site sends; the first byte sets the result test
// flag, which reads the page left in the cache with 11 runners.
#include "fuzz/fuzz_env.h"
#include "fuzz/fuzz_target.h"
#include "results/seiseki_scraper.h"

namespace {

using namespace kazeyomi;

void scrape(const QByteArray& data)
{
    if (data.isEmpty())
        return;
    fuzz::FuzzEnv& e = fuzz::env(MarkupStyle::Modern);
    e.startRace(data.mid(1));
    if (data[0] & 1) {
        // The page the flag reads is the one the last fetch left.
        (void)e.fetcher.Navigate2(QStringLiteral("https://site.test/odds/x01.do"));
        e.form.race.resultTestFlag = 1;
    }
    (void)Seiseki_get(e.context, QStringLiteral("2025120520100110"));
}

} // namespace

KAZEYOMI_FUZZ_ENTRY(result_scraper, scrape)
