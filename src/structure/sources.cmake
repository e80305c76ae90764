# Sources of this folder, added to kazeyomi_core.
target_sources(kazeyomi_core PRIVATE
    structure/odds_reading.cpp
    structure/result_reading.cpp
    structure/table_layout.cpp
)
