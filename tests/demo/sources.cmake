# Tests of this folder.
target_sources(core_tests PRIVATE
    demo/demo_day_test.cpp
    demo/demo_site_test.cpp
    demo/site_server_test.cpp
)
