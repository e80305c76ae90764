// The day's history database out as text for spreadsheets and scripts: one row per race,
// fetch and combination, in CSV with a header line or as JSON lines, UTF-8.
#pragma once

#include <QString>

#include "foundation/outcome.h"

class QIODevice;

namespace kazeyomi {

class HistoryDatabase;

struct ExportChoice {
    QString venue; // with `race`: only this race
    int race = 0;
    bool jsonLines = false;
};

// The count is the combination rows written.
Counted exportHistory(HistoryDatabase& database, const ExportChoice& choice, QIODevice& out);

} // namespace kazeyomi
