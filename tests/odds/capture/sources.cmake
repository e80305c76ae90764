# Tests of this folder.
target_sources(core_tests PRIVATE
    odds/capture/pair_scrapers_test.cpp
    odds/capture/pair_table_test.cpp
    odds/capture/tanfuku_scraper_test.cpp
    odds/capture/triple_scrapers_test.cpp
)
