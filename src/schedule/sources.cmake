# Sources of this folder, added to kazeyomi_core.
target_sources(kazeyomi_core PRIVATE
    schedule/fetch_times.cpp
    schedule/poll_cycle.cpp
    schedule/race_fetch.cpp
    schedule/schedule_grid.cpp
)
