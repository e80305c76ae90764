# Code shared by the tests.
target_sources(core_tests PRIVATE support/core_test_main.cpp support/files.cpp support/card_folder.cpp)
target_sources(window_tests PRIVATE support/files.cpp support/card_folder.cpp)
