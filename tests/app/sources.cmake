# Tests of this folder.
target_sources(window_tests PRIVATE
    app/window_test_main.cpp
)
