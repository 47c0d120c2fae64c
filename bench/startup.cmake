# Start-up of the windowed program next to an empty Qt window; bench/startup.sh runs both
# under a virtual X server and reports the time to the first window and the peak memory.
add_executable(hopscale_empty_window ${CMAKE_CURRENT_LIST_DIR}/empty_window.cpp)
target_link_libraries(hopscale_empty_window PRIVATE Qt6::Widgets)
