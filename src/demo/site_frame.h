// The parts every odds page of the made-up site shares: its navigation above and its
// footer below, which also take a page well past the scrapers' size limit.
#pragma once

#include <QString>

namespace kazeyomi {

const QString& oddsSiteHeader();
const QString& oddsSiteFooter();

} // namespace kazeyomi
