# The link design: both directions evaluated, without and with a long profile.
add_executable(hopscale_design_bench ${CMAKE_CURRENT_LIST_DIR}/design_bench.cpp)
target_link_libraries(hopscale_design_bench PRIVATE hopscale_design benchmark::benchmark)
set_target_properties(hopscale_design_bench PROPERTIES AUTOMOC OFF AUTORCC OFF)
