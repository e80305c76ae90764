# Tests of this folder.
target_sources(core_tests PRIVATE
    odds/capture/odds_scrapers_test.cpp
    odds/capture/pair_table_test.cpp
)
