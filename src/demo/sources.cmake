# Sources of this folder, added to kazeyomi_core.
target_sources(kazeyomi_core PRIVATE
    demo/day_cards.cpp
    demo/demo_day.cpp
    demo/demo_site.cpp
    demo/odds_pages.cpp
    demo/pair_odds.cpp
    demo/pair_pages.cpp
    demo/pair_staircase.cpp
    demo/result_pages.cpp
    demo/site_server.cpp
)
