# Tests of this folder.
target_sources(core_tests PRIVATE demo/site_server_test.cpp)
