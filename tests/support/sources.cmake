# Code shared by the tests.
target_sources(core_tests PRIVATE
    support/card_folder.cpp
    support/core_test_main.cpp
    support/failing_device.cpp
    support/race_card_sample.cpp
    support/race_desk.cpp
    support/files.cpp
    support/small_file_system.cpp
)
if(TARGET window_tests)
    target_sources(window_tests PRIVATE support/files.cpp support/card_folder.cpp support/race_card_sample.cpp)
endif()
