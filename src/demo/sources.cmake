# The local site and its page generator: a library of their own, for the demo day and the
# tests; the core never contains them.
add_library(kazeyomi_demo STATIC
    demo/day_cards.cpp
    demo/demo_day.cpp
    demo/demo_site.cpp
    demo/odds_page_parts.cpp
    demo/odds_pages.cpp
    demo/pair_odds.cpp
    demo/pair_pages.cpp
    demo/pair_staircase.cpp
    demo/race_card_pages.cpp
    demo/result_pages.cpp
    demo/site_frame.cpp
    demo/site_server.cpp
    demo/triple_odds.cpp
    demo/triple_pages.cpp
)
target_link_libraries(kazeyomi_demo PUBLIC kazeyomi_core)
# The zero linger time of a reset is set with Winsock's own call there.
if(WIN32)
    target_link_libraries(kazeyomi_demo PRIVATE ws2_32)
endif()
