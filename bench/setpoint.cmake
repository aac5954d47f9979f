# Loading the largest setpoint file the program accepts, in the shapes that
# cost most: time and the memory it takes at its peak.
add_executable(setpoint_bench ${CMAKE_CURRENT_LIST_DIR}/setpoint_load.cpp)
target_link_libraries(setpoint_bench PRIVATE qvr_core benchmark::benchmark)
target_include_directories(setpoint_bench PRIVATE ${PROJECT_SOURCE_DIR})
