# Tests of this folder.
target_sources(window_tests PRIVATE
    app/command_line_test.cpp
    app/main_window_test.cpp
    app/window_test_main.cpp
)
target_link_libraries(window_tests PRIVATE kazeyomi_cli Qt6::Charts)
# The program itself: the tests that run copies of it and read its words.
add_dependencies(window_tests kazeyomi)
target_compile_definitions(window_tests PRIVATE KAZEYOMI_PROGRAM="$<TARGET_FILE:kazeyomi>")
