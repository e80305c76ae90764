# Sources of this folder, added to kazeyomi_core.
target_sources(kazeyomi_core PRIVATE
    foundation/card_files.cpp
    foundation/clock.cpp
    foundation/context.cpp
    foundation/day_folders.cpp
    foundation/event_log.cpp
    foundation/file_writer.cpp
    foundation/fixed_fields.cpp
    foundation/form_state.cpp
    foundation/free_format_reader.cpp
    foundation/grid_layouts.cpp
    foundation/grid_model.cpp
    foundation/race_file_key.cpp
    foundation/text_codec.cpp
    foundation/text_fields.cpp
)
# Writes never go through a link, and CP932 is Windows' own there: the platform's own calls.
if(WIN32)
    target_sources(kazeyomi_core PRIVATE foundation/plain_file_win32.cpp foundation/text_codec_win32.cpp)
else()
    target_sources(kazeyomi_core PRIVATE foundation/plain_file_posix.cpp)
endif()
