# Tests of this folder.
target_sources(core_tests PRIVATE
    session/popup_closer_test.cpp
    session/race_watch_test.cpp
    session/session_test.cpp
    session/settings_test.cpp
    session/startup_test.cpp
)
# FIFOs and device links as input files: POSIX calls.
if(UNIX)
    target_sources(core_tests PRIVATE session/startup_posix_test.cpp)
endif()
