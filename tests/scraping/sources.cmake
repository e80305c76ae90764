# Tests of this folder.
target_sources(core_tests PRIVATE
    scraping/scraping_test.cpp
)
