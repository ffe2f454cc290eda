# Helpers that give every library, program and test suite of the project the same shape.

# Warnings are errors for our own code (not for the libraries we include).
function(quorvex_warnings target)
  target_compile_options(${target} PRIVATE -Wall -Wextra -Wpedantic -Wshadow -Wconversion
    -Wno-sign-conversion -Wnon-virtual-dtor -Woverloaded-virtual -Werror)
endfunction()

# quorvex_library(<name> [LIBS <libs...>]): the folder's sources as the library quorvex_<name>.
function(quorvex_library name)
  cmake_parse_arguments(ARG "" "" "LIBS" ${ARGN})
  file(GLOB _sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp)
  file(GLOB _headers CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.h)
  if(NOT _sources)
    # A folder of headers only (class templates).
    add_library(quorvex_${name} INTERFACE ${_headers})
    target_include_directories(quorvex_${name} INTERFACE ${PROJECT_SOURCE_DIR})
    target_link_libraries(quorvex_${name} INTERFACE ${ARG_LIBS})
    return()
  endif()
  add_library(quorvex_${name} STATIC ${_sources} ${_headers})
  target_include_directories(quorvex_${name} PUBLIC ${PROJECT_SOURCE_DIR})
  target_link_libraries(quorvex_${name} PUBLIC ${ARG_LIBS})
  quorvex_warnings(quorvex_${name})
endfunction()

# quorvex_test_suite(<name> LABEL <label> LIBS <libs...> [QT]): the folder's *.cpp as one
# GoogleTest binary test_<name>, each test registered with CTest under the label. QT runs the
# tests on Qt's offscreen platform, so window tests need no display.
function(quorvex_test_suite name)
  cmake_parse_arguments(ARG "QT" "LABEL;TIMEOUT" "LIBS" ${ARGN})
  set(_environment "")
  set(_leak_options "")
  if(ARG_QT)
    set(_environment "QT_QPA_PLATFORM=offscreen")
    # Fontconfig, under Qt's fonts, keeps its caches to the end of the process: not our leak.
    set(_leak_options "LSAN_OPTIONS=set:suppressions=${PROJECT_SOURCE_DIR}/cmake/qt-leaks.supp")
  endif()
  if(NOT ARG_TIMEOUT)
    set(ARG_TIMEOUT 120)
  endif()
  file(GLOB _sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp ${CMAKE_CURRENT_SOURCE_DIR}/*.h)
  if(NOT _sources)
    return()
  endif()
  add_executable(test_${name} ${_sources})
  target_link_libraries(test_${name} PRIVATE ${ARG_LIBS} quorvex_test_support GTest::gmock GTest::gtest_main)
  quorvex_warnings(test_${name})
  gtest_discover_tests(test_${name}
    DISCOVERY_MODE PRE_TEST
    PROPERTIES LABELS ${ARG_LABEL} TIMEOUT ${ARG_TIMEOUT} ENVIRONMENT "${_environment}"
      ENVIRONMENT_MODIFICATION "${_leak_options}"
    WORKING_DIRECTORY ${CMAKE_CURRENT_SOURCE_DIR})
endfunction()
