# Code shared by the tests.
target_sources(core_tests PRIVATE
    support/core_test_main.cpp
    support/race_card_sample.cpp
    support/race_desk.cpp
    support/files.cpp
)
if(TARGET window_tests)
    target_sources(window_tests PRIVATE support/files.cpp support/race_card_sample.cpp)
endif()
