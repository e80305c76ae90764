# Tests of this folder.
target_sources(core_tests PRIVATE
    odds/capture/tanfuku_scraper_test.cpp
)
