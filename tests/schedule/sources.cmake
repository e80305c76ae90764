# Tests of this folder.
target_sources(core_tests PRIVATE
    schedule/end_to_end_test.cpp
    schedule/poll_cycle_test.cpp
    schedule/race_fetch_test.cpp
    schedule/race_pipeline_test.cpp
    schedule/schedule_grid_test.cpp
)
# File access as another user (setfsuid) exists on Linux only.
if(CMAKE_SYSTEM_NAME STREQUAL "Linux")
    target_sources(core_tests PRIVATE schedule/race_fetch_linux_test.cpp)
endif()
