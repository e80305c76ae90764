# Tests of this folder.
target_sources(core_tests PRIVATE
    odds/files/odds_writers_test.cpp
)
