# Tests of this folder.
target_sources(core_tests PRIVATE
    fetch/html_renderer_test.cpp
    fetch/page_charset_test.cpp
    fetch/nesting_guard_test.cpp
    fetch/page_fetcher_test.cpp
    fetch/text_helpers_test.cpp
)
