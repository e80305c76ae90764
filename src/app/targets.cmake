add_library(kazeyomi_window STATIC
    app/grid_display.cpp
    app/main_window.cpp
    app/odds_chart.cpp
)
target_compile_options(kazeyomi_window PRIVATE ${KAZEYOMI_WARNINGS})
target_link_libraries(kazeyomi_window PUBLIC kazeyomi_core Qt6::Widgets)
# The chart of the race shown; the core never draws.
target_link_libraries(kazeyomi_window PRIVATE Qt6::Charts)

# The command line's runners: a library of their own so that tests can run the headless mode.
add_library(kazeyomi_cli STATIC
    app/command_help.cpp
    app/command_line.cpp
    app/command_parser.cpp
    app/history_commands.cpp
)
if(WIN32)
    target_sources(kazeyomi_cli PRIVATE app/interrupt_win32.cpp app/terminal_win32.cpp)
else()
    target_sources(kazeyomi_cli PRIVATE app/interrupt_posix.cpp app/terminal_posix.cpp)
endif()
target_compile_options(kazeyomi_cli PRIVATE ${KAZEYOMI_WARNINGS})
target_link_libraries(kazeyomi_cli PUBLIC kazeyomi_core)

# Chooses the window or the command line at run time.
add_executable(kazeyomi
    app/main.cpp
)
target_compile_options(kazeyomi PRIVATE ${KAZEYOMI_WARNINGS})
target_link_libraries(kazeyomi PRIVATE kazeyomi_window kazeyomi_cli kazeyomi_demo)
