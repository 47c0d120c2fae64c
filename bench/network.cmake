# Network benchmark: `hopscale network` over 10,000 links on a 2 x 2 block of 1-arc-second
# tiles the benchmark writes itself (SRTM .hgt, then DEFLATE-tiled GeoTIFFs).
add_executable(hopscale_network_bench ${CMAKE_CURRENT_LIST_DIR}/network_bench.cpp)
find_package(GDAL CONFIG REQUIRED)
target_link_libraries(hopscale_network_bench PRIVATE hopscale_cli GDAL::GDAL benchmark::benchmark)
set_target_properties(hopscale_network_bench PROPERTIES AUTOMOC OFF AUTORCC OFF)
add_dependencies(hopscale_network_bench hopscale_gdal)  # the raster reader it loads
