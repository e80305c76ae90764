# Tests of this folder.
target_sources(core_tests PRIVATE
    scraping/page_reader_test.cpp
    scraping/text_helpers_test.cpp
)
