# Project libraries are shared libraries: every class registers itself by name when its
# library loads, whether or not the program references the class directly. Programs link
# them with --no-as-needed so that a library is loaded even when only its classes' names are
# used.

# Precompiled headers: nearly all of what a source parses is the standard library (about
# 85,000 of 100,000 preprocessed lines) and the runtime's headers, which every library and
# test program includes. They compile once for all libraries and once for all test programs
# (the two differ in position-independent code and, in Debug, optimisation), and every source
# reads the result: a copy per target cost a compile and about 100 MB of disk each.
set(KD_PCH_COMMON <algorithm> <atomic> <chrono> <cmath> <cstdint> <cstring> <deque> <functional> <map>
    <memory> <mutex> <optional> <set> <string> <string_view> <thread> <unordered_map> <vector>
    <platform/runtime/Object.h> <platform/runtime/Class.h> <platform/foundation/Types.h>)

# kd_precompile(NAME library|test): NAME reads its group's precompiled headers, made by a target
# that compiles nothing else and has the group's flags.
function(kd_precompile name group)
  if(NOT KD_PCH)
    return()
  endif()
  set(host kd_pch_${group})
  if(NOT TARGET ${host})
    add_library(${host} OBJECT "${CMAKE_SOURCE_DIR}/cmake/PrecompiledHost.cpp")
    target_include_directories(${host} PRIVATE "${CMAKE_SOURCE_DIR}")
    if(group STREQUAL "library")
      set_target_properties(${host} PROPERTIES POSITION_INDEPENDENT_CODE ON)
      target_precompile_headers(${host} PRIVATE ${KD_PCH_COMMON})
    else()
      target_link_libraries(${host} PRIVATE GTest::gtest)
      if(CMAKE_BUILD_TYPE STREQUAL "Debug")
        target_compile_options(${host} PRIVATE -O0)
      endif()
      target_precompile_headers(${host} PRIVATE ${KD_PCH_COMMON} <gtest/gtest.h>)
    endif()
  endif()
  target_precompile_headers(${name} REUSE_FROM ${host})
endfunction()

# kd_batch_sources(NAME): eight sources compile as one. Each file's helpers then need names of
# their own within the target (a distinct name, or a file-named namespace where they would clash).
function(kd_batch_sources name)
  set_target_properties(${name} PROPERTIES UNITY_BUILD ON UNITY_BUILD_BATCH_SIZE 8)
  # The compiler takes the batched sources for headers and would warn about every type that
  # holds one from an anonymous namespace.
  if(CMAKE_CXX_COMPILER_ID STREQUAL "GNU")
    target_compile_options(${name} PRIVATE -Wno-subobject-linkage)
  endif()
endfunction()

# kd_library(NAME DIR [DEPS ...] [EXCLUDE SUBDIR ...]): one library from every source in DIR
# but those under the SUBDIRs (sub-folders that are libraries of their own).
# Include paths are rooted at the repository top ("platform/runtime/Object.h").
function(kd_library name dir)
  cmake_parse_arguments(arg "" "" "EXCLUDE" ${ARGN})
  set(deps ${arg_UNPARSED_ARGUMENTS})
  file(GLOB_RECURSE srcs CONFIGURE_DEPENDS "${CMAKE_SOURCE_DIR}/${dir}/*.cpp")
  # A folder's program entry point belongs to its executable, not to its library.
  list(FILTER srcs EXCLUDE REGEX "/main\\.cpp$")
  foreach(sub IN LISTS arg_EXCLUDE)
    list(FILTER srcs EXCLUDE REGEX "^${CMAKE_SOURCE_DIR}/${sub}/")
  endforeach()
  if(NOT srcs)
    # A folder whose sources are still to come: headers only.
    add_library(${name} INTERFACE)
    target_include_directories(${name} INTERFACE "${CMAKE_SOURCE_DIR}")
    target_link_libraries(${name} INTERFACE ${deps})
    return()
  endif()
  add_library(${name} SHARED ${srcs})
  target_include_directories(${name} PUBLIC "${CMAKE_SOURCE_DIR}")
  target_link_libraries(${name} PUBLIC ${deps})
  kd_precompile(${name} library)
  if(KD_UNITY_LIBS)
    kd_batch_sources(${name})
  endif()
  # Test helpers stay in the build; every other library is installed for the programs.
  if(NOT dir MATCHES "^tests(/|$)")
    install(TARGETS ${name} LIBRARY DESTINATION "${CMAKE_INSTALL_LIBDIR}")
  endif()
endfunction()

# kd_executable(NAME SOURCES... LIBS libs...): a program linked against project libraries.
function(kd_executable name)
  cmake_parse_arguments(arg "" "" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${arg_SOURCES})
  target_link_options(${name} PRIVATE "LINKER:--no-as-needed")
  target_link_libraries(${name} PRIVATE ${arg_LIBS})
endfunction()

# kd_test(NAME DIR [DEPS ...] [EXCLUDE SUBDIR ...] [SHARDS N] [SECONDS S] [ALONE CASE ...]):
# one GoogleTest program from every source in DIR but those under the excluded folders (which
# have programs of their own). Its cases run as N tests (kd_test_runs), which take about S
# seconds together; the ALONE cases each run in a process of their own.
function(kd_test name dir)
  cmake_parse_arguments(arg "" "SHARDS;SECONDS" "EXCLUDE;ALONE" ${ARGN})
  file(GLOB_RECURSE srcs CONFIGURE_DEPENDS "${CMAKE_SOURCE_DIR}/${dir}/*.cpp")
  foreach(sub IN LISTS arg_EXCLUDE)
    list(FILTER srcs EXCLUDE REGEX "^${CMAKE_SOURCE_DIR}/${sub}/")
  endforeach()
  if(NOT srcs)
    return()
  endif()
  # The sanitizers' options (leak checks, the ThreadSanitizer suppressions) are built into
  # every test program, so that they hold under ctest and when a program is run by hand.
  kd_executable(${name} SOURCES ${srcs} "${CMAKE_SOURCE_DIR}/tests/SanitizerOptions.cpp"
                LIBS ${arg_UNPARSED_ARGUMENTS} GTest::gtest GTest::gtest_main GTest::gmock)
  target_compile_definitions(${name} PRIVATE KD_SOURCE_DIR="${CMAKE_SOURCE_DIR}")
  if(CMAKE_BUILD_TYPE STREQUAL "Debug")
    # Test code is glue around the libraries, which keep their optimisation; unoptimised it
    # compiles about a quarter faster and runs as fast.
    target_compile_options(${name} PRIVATE -O0)
  endif()
  kd_precompile(${name} test)
  if(KD_UNITY_TESTS)
    kd_batch_sources(${name})
  endif()
  kd_test_runs(${name} SHARDS ${arg_SHARDS} SECONDS ${arg_SECONDS} ALONE ${arg_ALONE})
endfunction()

# kd_test_runs(PROGRAM [SHARDS N] [SECONDS S] [ALONE CASE ...]): the program's cases as ctest
# tests. Starting a test program costs about as much as a typical case (sanitizers, libraries,
# class registration), so cases do not get a process each: the program runs whole, split into
# N shards (gtest deals the cases out in turn, so neighbouring slow cases land in different
# shards). A case that needs a fresh process (state it cannot undo) is named under ALONE.
# SECONDS, the program's time in the sanitizer build, orders the first run so that the
# longest shards start first; later runs use the times ctest measured.
function(kd_test_runs program)
  cmake_parse_arguments(arg "" "SHARDS;SECONDS" "ALONE" ${ARGN})
  if(NOT arg_SHARDS)
    set(arg_SHARDS 1)
  endif()
  if(NOT arg_SECONDS)
    set(arg_SECONDS 10)
  endif()
  set(rest)
  foreach(case IN LISTS arg_ALONE)
    add_test(NAME ${program}.${case} COMMAND ${program} --gtest_filter=${case})
    set_tests_properties(${program}.${case} PROPERTIES COST 5)
  endforeach()
  if(arg_ALONE)
    list(JOIN arg_ALONE ":" alone)
    set(rest "--gtest_filter=-${alone}")
  endif()
  math(EXPR cost "(${arg_SECONDS} + ${arg_SHARDS} - 1) / ${arg_SHARDS}")
  math(EXPR last "${arg_SHARDS} - 1")
  foreach(index RANGE ${last})
    if(arg_SHARDS EQUAL 1)
      set(test ${program})
    else()
      math(EXPR shown "${index} + 1")
      set(test ${program}.shard${shown}of${arg_SHARDS})
    endif()
    add_test(NAME ${test} COMMAND ${program} ${rest})
    set_tests_properties(${test} PROPERTIES COST ${cost}
      ENVIRONMENT "GTEST_TOTAL_SHARDS=${arg_SHARDS};GTEST_SHARD_INDEX=${index}")
  endforeach()
endfunction()
