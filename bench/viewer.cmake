# The record viewer: a day's second file read and first drawn against reading
# its lines with std::getline; redraws of a month against a day; the memory a
# month takes.
if(NOT QVR_CORE_ONLY)
  add_executable(viewer_bench ${CMAKE_CURRENT_LIST_DIR}/viewer_bench.cpp)
  target_link_libraries(viewer_bench PRIVATE qvr_viewer_ui benchmark::benchmark)
  target_include_directories(viewer_bench PRIVATE ${PROJECT_SOURCE_DIR})
endif()
