# Tests of this folder.
target_sources(core_tests PRIVATE
    racecards/meeting_choice_test.cpp
    racecards/race_cards_test.cpp
    racecards/waku_test.cpp
)
