# Sources of this folder, added to kazeyomi_core.
target_sources(kazeyomi_core PRIVATE
    snapshots/grid_snapshots.cpp
)
