# Tests of this folder.
target_sources(core_tests PRIVATE
    schedule/poll_cycle_test.cpp
)
