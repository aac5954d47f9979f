# Serial port: round trip through a pseudo-terminal and the cost of an idle port.
add_executable(serial_bench ${CMAKE_CURRENT_LIST_DIR}/serial_port_bench.cpp)
target_link_libraries(serial_bench PRIVATE qvr_serial_gui benchmark::benchmark util)
target_include_directories(serial_bench PRIVATE ${PROJECT_SOURCE_DIR})
