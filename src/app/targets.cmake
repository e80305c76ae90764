if(KAZEYOMI_WINDOW)
    add_library(kazeyomi_window STATIC
        app/grid_display.cpp
        app/main_window.cpp
        app/odds_chart.cpp
    )
    target_link_libraries(kazeyomi_window PUBLIC kazeyomi_core Qt6::Widgets)
    # The chart of the race shown; the core never draws.
    target_link_libraries(kazeyomi_window PRIVATE Qt6::Charts)
endif()

# The command line's runners: a library of their own so that tests can run the headless mode.
add_library(kazeyomi_cli STATIC
    app/command_help.cpp
    app/command_line.cpp
    app/command_parser.cpp
    app/demo_command.cpp
    app/history_commands.cpp
)
if(WIN32)
    target_sources(kazeyomi_cli PRIVATE app/interrupt_win32.cpp app/terminal_win32.cpp)
else()
    target_sources(kazeyomi_cli PRIVATE app/interrupt_posix.cpp app/terminal_posix.cpp)
endif()
target_link_libraries(kazeyomi_cli PUBLIC kazeyomi_core kazeyomi_demo)

# The window program: the window, and every command as well.
if(KAZEYOMI_WINDOW)
    add_executable(kazeyomi-window
        app/window_main.cpp
    )
    target_link_libraries(kazeyomi-window PRIVATE kazeyomi_window kazeyomi_cli)
endif()

# The command line program, of the core and Qt Core and Network only, so that a command starts
# at once; it runs the window program, installed beside it, for the window.
add_executable(kazeyomi
    app/main.cpp
)
if(WIN32)
    target_sources(kazeyomi PRIVATE app/window_launch_win32.cpp)
else()
    target_sources(kazeyomi PRIVATE app/window_launch_posix.cpp)
endif()
target_compile_definitions(kazeyomi PRIVATE
    KAZEYOMI_WINDOW_PROGRAM="kazeyomi-window${CMAKE_EXECUTABLE_SUFFIX}")
target_link_libraries(kazeyomi PRIVATE kazeyomi_cli)
# Building the command line builds the window it starts.
if(KAZEYOMI_WINDOW)
    add_dependencies(kazeyomi kazeyomi-window)
endif()
