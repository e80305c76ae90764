# Tests of this folder.
target_sources(core_tests PRIVATE
    fetch/file_replace_test.cpp
    fetch/html_renderer_test.cpp
    fetch/page_charset_test.cpp
    fetch/page_fetcher_test.cpp
)
