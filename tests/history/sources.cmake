# Tests of this folder.
target_sources(core_tests PRIVATE
    history/race_history_test.cpp
)
