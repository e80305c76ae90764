# Tests of this folder.
target_sources(core_tests PRIVATE
    shell/text_codec_test.cpp
)
