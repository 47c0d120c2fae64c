# Terrain benchmarks: clearance over a long profile with the height search, a height change,
# and a profile extracted from a 1-arc-second tile the benchmark writes itself.
add_executable(hopscale_terrain_bench ${CMAKE_CURRENT_LIST_DIR}/terrain_bench.cpp)
find_package(GDAL CONFIG REQUIRED)
target_link_libraries(hopscale_terrain_bench PRIVATE hopscale_terrain GDAL::GDAL benchmark::benchmark)
set_target_properties(hopscale_terrain_bench PROPERTIES AUTOMOC OFF AUTORCC OFF)
add_dependencies(hopscale_terrain_bench hopscale_gdal)  # the raster reader it loads
