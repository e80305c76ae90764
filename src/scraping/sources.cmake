# Sources of this folder, added to kazeyomi_core.
target_sources(kazeyomi_core PRIVATE
    scraping/cached_page.cpp
    scraping/cells.cpp
    scraping/page_reader.cpp
    scraping/text_helpers.cpp
    scraping/work_file.cpp
)
