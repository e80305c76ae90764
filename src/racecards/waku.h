// The bracket number (枠番) of a horse: eight brackets shared out by the number of runners.
#pragma once

#include <QtGlobal>

namespace kazeyomi {

// 1 to 8 for horses 1 to 18. Up to 8 runners each horse has its own bracket; from 9 the
// last brackets take two, and from 16 bracket 8 (and with 18 bracket 7) takes three.
quint8 Waku_get(qint16 runners, qint16 horse);

} // namespace kazeyomi
