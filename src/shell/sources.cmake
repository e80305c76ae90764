# Sources of this folder, added to kazeyomi_core.
target_sources(kazeyomi_core PRIVATE
    shell/card_files.cpp
    shell/clock.cpp
    shell/day_folders.cpp
    shell/form_state.cpp
    shell/free_format_reader.cpp
    shell/grid_layouts.cpp
    shell/file_writer.cpp
    shell/grid_model.cpp
    shell/popup_closer.cpp
    shell/session.cpp
    shell/settings.cpp
    shell/startup.cpp
    shell/text_codec.cpp
)
# The popup closer reaches another program's windows only where that program runs.
if(WIN32)
    target_sources(kazeyomi_core PRIVATE shell/popup_closer_win32.cpp)
else()
    target_sources(kazeyomi_core PRIVATE shell/popup_closer_null.cpp)
endif()
