# Sources of this folder, added to kazeyomi_core.
target_sources(kazeyomi_core PRIVATE
    odds/files/odds_history.cpp
    odds/files/tanfuku_writers.cpp
)
