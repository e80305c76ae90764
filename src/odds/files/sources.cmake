# Sources of this folder, added to kazeyomi_core.
target_sources(kazeyomi_core PRIVATE
    odds/files/odds_fields.cpp
    odds/files/odds_history.cpp
    odds/files/pair_tables.cpp
    odds/files/pair_writers.cpp
    odds/files/tanfuku_writers.cpp
    odds/files/triple_writers.cpp
)
