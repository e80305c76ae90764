# Tests of this folder.
target_sources(core_tests PRIVATE
    odds/files/pair_writers_test.cpp
    odds/files/tanfuku_writers_test.cpp
    odds/files/triple_writers_test.cpp
)
