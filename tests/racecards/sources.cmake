# Tests of this folder.
target_sources(core_tests PRIVATE
    racecards/race_cards_test.cpp
)
