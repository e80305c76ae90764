# Sources of this folder, added to kazeyomi_core.
target_sources(kazeyomi_core PRIVATE
    schedule/schedule_grid.cpp
)
