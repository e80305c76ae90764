# Tests of this folder.
target_sources(window_tests PRIVATE
    app/main_window_test.cpp
    app/window_test_main.cpp
)
