# Tests of this folder.
target_sources(core_tests PRIVATE
    fetch/page_fetcher_test.cpp
    fetch/page_preparation_test.cpp
)
