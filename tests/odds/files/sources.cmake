# Tests of this folder.
target_sources(core_tests PRIVATE
    odds/files/tanfuku_writers_test.cpp
)
