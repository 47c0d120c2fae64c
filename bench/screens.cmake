# Windows: the time from the input screen's CONTINUE to the results screen being shown.
add_executable(hopscale_screens_bench ${CMAKE_CURRENT_LIST_DIR}/screens_bench.cpp)
target_link_libraries(hopscale_screens_bench PRIVATE hopscale_screens benchmark::benchmark)
