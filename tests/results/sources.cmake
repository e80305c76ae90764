# Tests of this folder.
target_sources(core_tests PRIVATE
    results/all_writers_test.cpp
    results/results_test.cpp
)
