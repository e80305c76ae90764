# Tests of this folder.
target_sources(core_tests PRIVATE
    foundation/day_folders_test.cpp
    foundation/file_writer_test.cpp
    foundation/grid_model_test.cpp
    foundation/text_test.cpp
)
