# Sources of this folder, added to kazeyomi_core.
target_sources(kazeyomi_core PRIVATE
    fetch/file_replace.cpp
    fetch/html_renderer.cpp
    fetch/http_page_source.cpp
    fetch/joining_page_source.cpp
    fetch/nesting_guard.cpp
    fetch/page_charset.cpp
    fetch/page_cache_files.cpp
    fetch/page_fetcher.cpp
    fetch/page_rendering.cpp
    fetch/page_tables.cpp
    fetch/prefetch_queue.cpp
    fetch/render_pool.cpp
)
