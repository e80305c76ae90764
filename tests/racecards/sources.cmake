# Tests of this folder.
target_sources(core_tests PRIVATE
    racecards/meeting_choice_test.cpp
    racecards/race_card_capture_test.cpp
    racecards/race_card_file_test.cpp
    racecards/waku_test.cpp
)
