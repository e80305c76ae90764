// The markup the pair and triple odds pages of the made-up site share: the page above the
// first table and below the last, the table heads and the odds cells.
#pragma once

#include <QString>

#include "demo/odds_pages.h"
#include "demo/pair_odds.h"

namespace kazeyomi {

// Down to the line before the first table: the site's navigation, the race, the tabs of the
// bet types with `current` ("03", "09" ...) as the open one, and the odds time. Holds no
// plain "<p>" and no "</tbody></table>", the markers of the triple tables.
QString oddsPageTop(const WinPlacePage& race, const QString& current, const QString& title);
// The notes and the site's footer, to the end of the document; free of the same markers.
QString oddsPageBottom(const WinPlacePage& race);

// One of the eight cells of a table head, over the two columns of a slot.
QString oddsHeadCell(const QString& label);

// The <td> of a pair or triple: the value alone, in a highlight span, "－" or nothing.
QString oddsCell(const PairCell& cell);

} // namespace kazeyomi
