# Tests of this folder.
target_sources(core_tests PRIVATE
    scraping/cached_page_test.cpp
    scraping/text_helpers_test.cpp
)
