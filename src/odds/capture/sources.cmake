# Sources of this folder, added to kazeyomi_core.
target_sources(kazeyomi_core PRIVATE
    odds/capture/odds_scrape.cpp
    odds/capture/pair_table.cpp
    odds/capture/sanfuku_scraper.cpp
    odds/capture/santan_scraper.cpp
    odds/capture/tanfuku_scraper.cpp
    odds/capture/triple_table.cpp
    odds/capture/umafuku_scraper.cpp
    odds/capture/umatan_scraper.cpp
    odds/capture/wide_scraper.cpp
)
