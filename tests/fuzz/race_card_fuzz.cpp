// The race card capture on whatever page the portal sends, rendered in the legacy style.
#include "foundation/controls.h"
#include "fuzz/fuzz_env.h"
#include "fuzz/fuzz_target.h"
#include "racecards/race_card_capture.h"

namespace {

using namespace kazeyomi;

void capture(const QByteArray& data)
{
    fuzz::FuzzEnv& e = fuzz::env(MarkupStyle::Legacy);
    e.startRace(data);
    e.form.meetings = {{QStringLiteral("oi"), 11, QStringLiteral("大井")}};
    e.form.setText(Control::Text4, QStringLiteral("1"));
    e.form.setText(Control::Text2, QStringLiteral("20"));
    (void)Option2_Click(e.context, QStringLiteral("https://portal.test"), 0);
}

} // namespace

KAZEYOMI_FUZZ_ENTRY(race_card, capture)
