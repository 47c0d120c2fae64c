# Engine benchmarks: the text conversions and one whole path from texts to results.
add_executable(hopscale_engine_bench ${CMAKE_CURRENT_LIST_DIR}/engine_bench.cpp)
target_link_libraries(hopscale_engine_bench PRIVATE hopscale_engine benchmark::benchmark)
target_include_directories(hopscale_engine_bench PRIVATE ${PROJECT_SOURCE_DIR}/tests/support)
