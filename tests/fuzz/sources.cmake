# The kept inputs of the attacks, replayed through the attacks' own entries.
target_sources(core_tests PRIVATE
    fuzz/corpus_test.cpp
    fuzz/fuzz_env.cpp
    fuzz/card_files_fuzz.cpp
    fuzz/charset_fuzz.cpp
    fuzz/odds_scrapers_fuzz.cpp
    fuzz/race_card_fuzz.cpp
    fuzz/render_fuzz.cpp
    fuzz/result_scraper_fuzz.cpp
    fuzz/snapshot_fuzz.cpp
    fuzz/work_file_fuzz.cpp
)
target_compile_definitions(core_tests PRIVATE KAZEYOMI_FUZZ_CORPUS_DIR="${CMAKE_CURRENT_SOURCE_DIR}/fuzz/corpus")
