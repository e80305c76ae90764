# Sources of this folder, added to kazeyomi_core.
target_sources(kazeyomi_core PRIVATE
    history/day_export.cpp
    history/day_import.cpp
    history/history_database.cpp
    history/layout_watch.cpp
    history/odds_lines.cpp
    history/odds_series.cpp
    history/race_history.cpp
)
