# Command-line benchmarks: the batch's result formatter and whole batches held in memory.
add_executable(hopscale_cli_bench ${CMAKE_CURRENT_LIST_DIR}/cli_bench.cpp)
target_link_libraries(hopscale_cli_bench PRIVATE hopscale_cli benchmark::benchmark)
