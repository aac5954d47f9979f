# The record viewer: a day's second file read and first drawn against reading
# its lines with std::getline; redraws of a month against a day; the memory a
# month takes; the program with a month against Kst.
if(NOT QVR_CORE_ONLY)
  add_executable(viewer_bench ${CMAKE_CURRENT_LIST_DIR}/viewer_bench.cpp)
  target_link_libraries(viewer_bench PRIVATE qvr_viewer_ui benchmark::benchmark)
  target_include_directories(viewer_bench PRIVATE ${PROJECT_SOURCE_DIR})
  target_compile_definitions(viewer_bench PRIVATE
    QVR_MONITOR_PROGRAM="$<TARGET_FILE:qvr-monitor>")
  add_dependencies(viewer_bench qvr-monitor)
endif()
