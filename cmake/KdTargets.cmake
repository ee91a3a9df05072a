# Project libraries are shared libraries: every class registers itself by name when its
# library loads, whether or not the program references the class directly. Programs link
# them with --no-as-needed so that a library is loaded even when only its classes' names are
# used.

# kd_library(NAME DIR [DEPS ...]): one library from every source in DIR.
# Include paths are rooted at the repository top ("platform/runtime/Object.h").
function(kd_library name dir)
  file(GLOB_RECURSE srcs CONFIGURE_DEPENDS "${CMAKE_SOURCE_DIR}/${dir}/*.cpp")
  # A folder's program entry point belongs to its executable, not to its library.
  list(FILTER srcs EXCLUDE REGEX "/main\\.cpp$")
  if(NOT srcs)
    # A folder whose sources are still to come: headers only.
    add_library(${name} INTERFACE)
    target_include_directories(${name} INTERFACE "${CMAKE_SOURCE_DIR}")
    target_link_libraries(${name} INTERFACE ${ARGN})
    return()
  endif()
  add_library(${name} SHARED ${srcs})
  target_include_directories(${name} PUBLIC "${CMAKE_SOURCE_DIR}")
  target_link_libraries(${name} PUBLIC ${ARGN})
endfunction()

# kd_executable(NAME SOURCES... LIBS libs...): a program linked against project libraries.
function(kd_executable name)
  cmake_parse_arguments(arg "" "" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${arg_SOURCES})
  target_link_options(${name} PRIVATE "LINKER:--no-as-needed")
  target_link_libraries(${name} PRIVATE ${arg_LIBS})
endfunction()

# kd_test(NAME DIR [DEPS ...]): one GoogleTest program from every source in DIR.
function(kd_test name dir)
  file(GLOB_RECURSE srcs CONFIGURE_DEPENDS "${CMAKE_SOURCE_DIR}/${dir}/*.cpp")
  if(NOT srcs)
    return()
  endif()
  kd_executable(${name} SOURCES ${srcs} LIBS ${ARGN} GTest::gtest GTest::gtest_main GTest::gmock)
  target_compile_definitions(${name} PRIVATE KD_SOURCE_DIR="${CMAKE_SOURCE_DIR}")
  gtest_discover_tests(${name} DISCOVERY_MODE PRE_TEST
    PROPERTIES ENVIRONMENT "ASAN_OPTIONS=detect_leaks=1;UBSAN_OPTIONS=print_stacktrace=1")
endfunction()
