# Cost of one recorder tick against the size of the day's second record file.
add_executable(monitor_bench ${CMAKE_CURRENT_LIST_DIR}/monitor_recorder.cpp)
target_link_libraries(monitor_bench PRIVATE qvr_records benchmark::benchmark)
