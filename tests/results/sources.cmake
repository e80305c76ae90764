# Tests of this folder.
target_sources(core_tests PRIVATE
    results/results_test.cpp
)
