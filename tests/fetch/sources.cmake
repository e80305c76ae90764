# Tests of this folder.
target_sources(core_tests PRIVATE
    fetch/text_helpers_test.cpp
)
