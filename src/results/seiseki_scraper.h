// The result capture: the finishing table of the race's result page into VSFlexGrid14,
// its payouts into fixed cells of VSFlexGrid16, and the schedule mark of a complete result.
#pragma once

#include <QString>

#include "fetch/page_fetcher.h"

namespace kazeyomi {

struct Context;

inline constexpr int kResultMinBytes = 500;

// Fetches <site>/result/<raceCode>.do (or, with the result test flag set, reads the page
// cache left by the last fetch and expects 11 runners) and cuts it into the grids.
// Failing steps are skipped without a message. Comes back with its fetch: the page it brought,
// or its failure, and the grids then hold no result and the result files must be left as they are.
PageFetch Seiseki_get(Context& ctx, const QString& raceCode);

// "<site>/result/<raceCode>.do", the result page of a race.
QString resultPageUrl(const QString& site, const QString& raceCode);

} // namespace kazeyomi
