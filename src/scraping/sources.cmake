# Sources of this folder, added to kazeyomi_core.
target_sources(kazeyomi_core PRIVATE
    scraping/page_reader.cpp
    scraping/text_helpers.cpp
)
