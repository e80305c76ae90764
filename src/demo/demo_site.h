// The demo day in one piece: a clock that may run faster, the made-up day's card folder,
// and the local site server answering with the day's pages. The program then runs on it as
// on any day.
#pragma once

#include <memory>

#include <QString>

#include "demo/demo_day.h"
#include "demo/site_server.h"
#include "foundation/clock.h"
#include "foundation/outcome.h"
#include "session/settings.h"

namespace kazeyomi {

class DemoSite {
public:
    // `settings` gets the demo's base folder and application folder (each unless one was given)
    // and site.
    DemoSite(Settings& settings, double speed);

    // Starts the server and writes today's card folder; empty on success, else what failed.
    Outcome prepare(Settings& settings);

    std::shared_ptr<Clock> clock() const { return m_clock; }
    const DemoDay& day() const { return m_day; }
    const SiteServer& server() const { return m_server; }

private:
    std::shared_ptr<RunningClock> m_clock;
    DemoDay m_day;
    SiteServer m_server;
};

} // namespace kazeyomi
