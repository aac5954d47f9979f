# The record reader alone: headings of many columns read in linear time, and
# how soon a read stops once it is told to.
add_executable(records_bench ${CMAKE_CURRENT_LIST_DIR}/records_bench.cpp)
target_link_libraries(records_bench PRIVATE qvr_records benchmark::benchmark)
target_include_directories(records_bench PRIVATE ${PROJECT_SOURCE_DIR})
