# Sources of this folder, added to kazeyomi_core.
target_sources(kazeyomi_core PRIVATE
    odds/capture/tanfuku_scraper.cpp
)
