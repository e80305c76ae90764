// After each race's cycle: the pages read by their structure, the odds files checked against
// them (the layout watch), the day's history database written and sharp odds moves told.
#pragma once

#include <map>
#include <memory>

#include "history/layout_watch.h"
#include "schedule/race_fetch.h"

namespace kazeyomi {

class FormState;
class HistoryDatabase;
struct FetchRecord;

// Where the history's messages go: the fetch log, which the headless mode prints on standard
// error. The one place to change when they get a log of their own.
void tellHistory(FormState& form, const QString& line);

struct HistoryOptions {
    double fallPercent = 30.0; // a win odds fall this large ...
    int withinSeconds = 180;   // ... between two fetches this close is told
};

// What a race's pages showed, read by their structure, by step name of the cycle.
FetchRecord readRacePages(const std::vector<std::pair<QString, SharedPage>>& pages);

class RaceHistory final : public RaceObserver {
public:
    explicit RaceHistory(Context& ctx, HistoryOptions options = {});
    ~RaceHistory() override;
    void raceFetched(const RaceOutcome& outcome, const std::vector<std::pair<QString, SharedPage>>& pages) override;

private:
    void watchLayout(const RaceOutcome& outcome, const FetchRecord& fetch);
    void record(const FetchRecord& fetch);
    void report(const QString& error);

    Context& m_ctx;
    HistoryOptions m_options;
    LayoutWatch m_watch;
    std::unique_ptr<HistoryDatabase> m_database;
    QString m_reported; // the database failure told last: told once until it is mended
};

} // namespace kazeyomi
