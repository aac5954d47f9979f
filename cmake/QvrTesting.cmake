# qvr_add_test_suite(NAME SOURCES src... LIBS lib... [FILE_FAULT_SOURCES src...] [QT])
# Declares one GoogleTest executable and registers its tests with CTest.
# QT suites get a test main that creates a QApplication on the offscreen platform.
# A cross build registers each suite as one test (run through
# CMAKE_CROSSCOMPILING_EMULATOR, e.g. Wine) and lists the suites' programs in
# core-suites.txt for scripts/windows-check.sh.
# FILE_FAULT_SOURCES make file calls fail (tests/file_faults.h); they are built
# where the linker can wrap those calls, and left out elsewhere.
function(qvr_add_test_suite name)
  cmake_parse_arguments(ARG "QT" "" "SOURCES;LIBS;FILE_FAULT_SOURCES" ${ARGN})
  if(ARG_FILE_FAULT_SOURCES AND TARGET qvr_test_file_faults)
    list(APPEND ARG_SOURCES ${ARG_FILE_FAULT_SOURCES})
    list(APPEND ARG_LIBS qvr_test_file_faults)
  endif()
  add_executable(${name} ${ARG_SOURCES})
  target_link_libraries(${name} PRIVATE ${ARG_LIBS} GTest::gtest GTest::gmock)
  if(ARG_QT)
    target_link_libraries(${name} PRIVATE qvr_test_qt_main Qt6::Test)
  else()
    target_link_libraries(${name} PRIVATE GTest::gtest_main)
  endif()
  target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR})
  if(WIN32 AND NOT MSVC)
    # Tests keep several sample histories (about 120 kB each) as locals; give
    # them the 8 MB stack they have on Linux instead of Windows' 1 MB.
    target_link_options(${name} PRIVATE -Wl,--stack,8388608)
  endif()
  if(CMAKE_CROSSCOMPILING)
    add_test(NAME ${name} COMMAND ${name})
    set_property(GLOBAL APPEND PROPERTY QVR_SUITE_FILES "$<TARGET_FILE:${name}>")
    return()
  endif()
  gtest_discover_tests(${name}
    DISCOVERY_MODE PRE_TEST
    DISCOVERY_TIMEOUT 60
    PROPERTIES ENVIRONMENT "QT_QPA_PLATFORM=offscreen;TSAN_OPTIONS=halt_on_error=1 suppressions=${PROJECT_SOURCE_DIR}/tests/tsan.supp;ASAN_OPTIONS=detect_leaks=1"
               TIMEOUT 300)
endfunction()

# Writes the list of suite programs of a cross build (call once, at the end).
function(qvr_write_suite_list)
  if(CMAKE_CROSSCOMPILING)
    get_property(files GLOBAL PROPERTY QVR_SUITE_FILES)
    list(JOIN files "\n" content)
    file(GENERATE OUTPUT ${PROJECT_BINARY_DIR}/core-suites.txt CONTENT "${content}\n")
  endif()
endfunction()
