# Link performance benchmarks: each model alone and one whole hop from the budget's facts.
add_executable(hopscale_propagation_bench ${CMAKE_CURRENT_LIST_DIR}/propagation_bench.cpp)
target_link_libraries(hopscale_propagation_bench PRIVATE hopscale_propagation benchmark::benchmark)
