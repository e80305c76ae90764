# Tests of this folder.
target_sources(core_tests PRIVATE
    snapshots/grid_snapshots_test.cpp
)
