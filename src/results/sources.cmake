# Sources of this folder, added to kazeyomi_core.
target_sources(kazeyomi_core PRIVATE
    results/result_writers.cpp
    results/seiseki_scraper.cpp
)
