# Tests of this folder.
target_sources(core_tests PRIVATE
    shell/file_writer_test.cpp
    shell/free_format_reader_test.cpp
    shell/grid_model_test.cpp
    shell/popup_closer_test.cpp
    shell/session_test.cpp
    shell/settings_test.cpp
    shell/startup_test.cpp
    shell/text_codec_test.cpp
)
