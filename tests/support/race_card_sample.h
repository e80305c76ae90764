// A twelve-runner race card of race 5 as the portal shows it, and the race card file it gives.
#pragma once

#include <QString>

#include "demo/race_card_pages.h"

namespace kazeyomi::test {

RaceCardPage twelveRunnerCard();
// The file, as text: CP932 and CR LF once written.
QString twelveRunnerCardFile();

} // namespace kazeyomi::test
