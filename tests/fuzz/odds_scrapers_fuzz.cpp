// Every odds scraper on whatever page the site sends: the first byte picks the scraper, the
// second is the runner count the win/place page left, the rest is the page.
#include <iterator>

#include "fuzz/fuzz_env.h"
#include "fuzz/fuzz_target.h"
#include "odds/capture/sanfuku_scraper.h"
#include "odds/capture/santan_scraper.h"
#include "odds/capture/tanfuku_scraper.h"
#include "odds/capture/umafuku_scraper.h"
#include "odds/capture/umatan_scraper.h"
#include "odds/capture/wide_scraper.h"

namespace {

using namespace kazeyomi;

void scrape(const QByteArray& data)
{
    if (data.size() < 2)
        return;
    fuzz::FuzzEnv& e = fuzz::env(MarkupStyle::Modern);
    e.startRace(data.mid(2));
    // A real count comes from the win/place page, which has room for at most 18 horses.
    e.form.race.runnerCount = qint16(quint8(data[1]) % 20);
    const QString code = QStringLiteral("2025120520100110");
    using Scraper = OddsScrape (*)(Context&, const QString&);
    static constexpr Scraper scrapers[] = {TanFuku_get, Umafuku_get, Umatan_get, Wide_get, Sanfuku_get, Santan_get};
    (void)scrapers[quint8(data[0]) % std::size(scrapers)](e.context, code);
}

} // namespace

KAZEYOMI_FUZZ_ENTRY(odds_scrapers, scrape)
