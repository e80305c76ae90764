# Sources of this folder, added to kazeyomi_core.
target_sources(kazeyomi_core PRIVATE results/seiseki_scraper.cpp results/result_writers.cpp)
