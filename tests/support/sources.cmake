# Code shared by the tests.
target_sources(core_tests PRIVATE support/files.cpp)
target_sources(window_tests PRIVATE support/files.cpp)
