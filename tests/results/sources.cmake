# Tests of this folder.
target_sources(core_tests PRIVATE
    results/all_writers_test.cpp
    results/result_writers_test.cpp
    results/seiseki_scraper_test.cpp
)
