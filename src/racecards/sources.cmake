# Sources of this folder, added to kazeyomi_core.
target_sources(kazeyomi_core PRIVATE
    racecards/meeting_choice.cpp
    racecards/race_card_capture.cpp
    racecards/race_card_file.cpp
    racecards/runner_names.cpp
    racecards/runner_scan.cpp
    racecards/venue_codes.cpp
    racecards/waku.cpp
)
