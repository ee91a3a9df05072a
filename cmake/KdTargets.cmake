# Project libraries are always linked whole, so that every class registers itself by name
# even when nothing references it directly. Every mention of one must use the same feature,
# hence this wrapper for all link lines.
function(kd_link_items out)
  set(items)
  foreach(lib IN LISTS ARGN)
    if(TARGET ${lib} AND NOT lib MATCHES "::")
      list(APPEND items "$<LINK_LIBRARY:WHOLE_ARCHIVE,${lib}>")
    else()
      list(APPEND items ${lib})
    endif()
  endforeach()
  set(${out} ${items} PARENT_SCOPE)
endfunction()

# kd_library(NAME DIR [DEPS ...]): one static library from every source in DIR.
# Include paths are rooted at the repository top ("platform/runtime/Object.h").
function(kd_library name dir)
  file(GLOB_RECURSE srcs CONFIGURE_DEPENDS "${CMAKE_SOURCE_DIR}/${dir}/*.cpp")
  kd_link_items(deps ${ARGN})
  if(NOT srcs)
    # A folder whose sources are still to come: headers only.
    add_library(${name} INTERFACE)
    target_include_directories(${name} INTERFACE "${CMAKE_SOURCE_DIR}")
    target_link_libraries(${name} INTERFACE ${deps})
    return()
  endif()
  add_library(${name} STATIC ${srcs})
  target_include_directories(${name} PUBLIC "${CMAKE_SOURCE_DIR}")
  target_link_libraries(${name} PUBLIC ${deps})
endfunction()

# kd_executable(NAME SOURCES... LIBS libs...): a program linked against project libraries.
function(kd_executable name)
  cmake_parse_arguments(arg "" "" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${arg_SOURCES})
  kd_link_items(libs ${arg_LIBS})
  target_link_libraries(${name} PRIVATE ${libs})
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
