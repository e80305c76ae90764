# Tests of this folder.
target_sources(core_tests PRIVATE
    structure/page_reading_test.cpp
)
