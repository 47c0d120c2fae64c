# The Path Profile window: the redraw after an antenna height is typed, over a 3,000-point profile.
add_executable(hopscale_lwin_bench ${CMAKE_CURRENT_LIST_DIR}/lwin_bench.cpp)
target_link_libraries(hopscale_lwin_bench PRIVATE hopscale_screens benchmark::benchmark)
# Pictures of the two windows for the documentation (run under xvfb-run; not a benchmark).
add_executable(hopscale_lwin_snapshot ${CMAKE_CURRENT_LIST_DIR}/lwin_snapshot.cpp)
target_link_libraries(hopscale_lwin_snapshot PRIVATE hopscale_screens)
