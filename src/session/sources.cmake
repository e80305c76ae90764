# Sources of this folder, added to kazeyomi_core.
target_sources(kazeyomi_core PRIVATE
    session/folder_claims.cpp
    session/popup_closer.cpp
    session/race_watch.cpp
    session/session.cpp
    session/settings.cpp
    session/startup.cpp
)
# The popup closer reaches another program's windows only where that program runs.
if(WIN32)
    target_sources(kazeyomi_core PRIVATE session/popup_closer_win32.cpp)
else()
    target_sources(kazeyomi_core PRIVATE session/popup_closer_null.cpp)
endif()
