# Tests of this folder.
target_sources(core_tests PRIVATE demo/site_server_test.cpp)
target_sources(core_tests PRIVATE demo/odds_pages_test.cpp)
