# Sources of this folder, added to kazeyomi_core.
target_sources(kazeyomi_core PRIVATE demo/result_pages.cpp)
target_sources(kazeyomi_core PRIVATE demo/site_server.cpp)
target_sources(kazeyomi_core PRIVATE demo/odds_pages.cpp)
