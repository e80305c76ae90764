// What the scraper attacks run on: temporary folders, the controls' state, a fixed clock and a
// page fetcher whose site answers every address with the attack's page.
#pragma once

#include <QTemporaryDir>

#include "fetch/page_fetcher.h"
#include "fetch/page_source.h"
#include "foundation/context.h"
#include "foundation/day_folders.h"
#include "foundation/form_state.h"
#include "support/fake_clock.h"

namespace kazeyomi::fuzz {

class AnyAddress final : public PageSource {
public:
    QByteArray body;
    FetchResult get(const QString&, const RequestHeaders&) override
    {
        FetchResult page;
        page.body = body;
        page.contentType = "text/html; charset=Shift_JIS";
        page.status = 200;
        return page;
    }
};

struct FuzzEnv {
    QTemporaryDir base;
    QTemporaryDir app;
    test::FakeClock clock{QDateTime(QDate(2025, 12, 5), QTime(14, 30))};
    DayFolders folders{base.path(), clock};
    FormState form;
    AnyAddress site;
    PageFetcher fetcher;
    Context context{form, clock, folders, fetcher, app.path(), QStringLiteral("https://site.test")};

    explicit FuzzEnv(MarkupStyle style);
    // The current race as the fetch cycle sets it, on schedule row 1, with the page to serve.
    void startRace(const QByteArray& page);
};

// One environment per style for the whole run: building one per input would measure the
// folders, not the code under attack.
FuzzEnv& env(MarkupStyle style);
// Ends the environments while the application still runs: their fetchers' worker threads must
// not outlive it (the ordinary tests replay the attacks inside one longer run).
void releaseEnvs();

} // namespace kazeyomi::fuzz
