# Shared build settings: one warnings target, the sanitizer switch, and the
# helpers that add a module's library and its test executable.

add_library(attr_warnings INTERFACE)
target_compile_options(attr_warnings INTERFACE -Wall -Wextra -Wpedantic)
if(ATTR_WERROR)
  target_compile_options(attr_warnings INTERFACE -Werror)
endif()

if(ATTR_SANITIZE)
  add_compile_options(-fsanitize=address,undefined -fno-omit-frame-pointer
                      -fno-sanitize-recover=undefined)
  add_link_options(-fsanitize=address,undefined)
endif()

include(AttrWindowsTestSkips)

# attr_module(NAME SOURCES... DEPS...): a static library named NAME whose
# headers are included as "<folder>/<file>.h" from the source root.
function(attr_module name)
  cmake_parse_arguments(ARG "" "" "SOURCES;DEPS" ${ARGN})
  add_library(${name} STATIC ${ARG_SOURCES})
  target_include_directories(${name} PUBLIC "${PROJECT_SOURCE_DIR}")
  target_link_libraries(${name} PUBLIC ${ARG_DEPS} PRIVATE attr_warnings)
endfunction()

# attr_test(NAME SOURCES... DEPS...): a GoogleTest executable registered with
# ctest. Tests find the shared fixtures through ATTR_SHARED_DIR.
function(attr_test name)
  if(NOT ATTR_BUILD_TESTS)
    return()
  endif()
  cmake_parse_arguments(ARG "" "" "SOURCES;DEPS" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  target_link_libraries(${name} PRIVATE ${ARG_DEPS} attr_testing GTest::gtest
                        GTest::gtest_main attr_warnings)
  if(CMAKE_CROSSCOMPILING)
    # Under an emulator each start costs seconds: one test per program, its
    # cases counted from the XML report it writes.
    # (A relative report path: GoogleTest for Windows takes "/..." as relative.)
    set(filter)
    if(WIN32 AND attr_windows_skip_${name})
      list(JOIN attr_windows_skip_${name} ":" skipped)
      set(filter "--gtest_filter=-${skipped}")
    endif()
    # A long program runs in shards (GoogleTest's own sharding), one ctest
    # entry each, so that the two cores share it.
    set(shards 1)
    if(WIN32 AND attr_windows_shards_${name})
      set(shards ${attr_windows_shards_${name}})
    endif()
    math(EXPR last "${shards} - 1")
    foreach(shard RANGE ${last})
      set(test_name ${name})
      if(shards GREATER 1)
        set(test_name ${name}_${shard})
      endif()
      add_test(NAME ${test_name} COMMAND ${name} --gtest_output=xml:test-reports/${test_name}.xml
               ${filter} WORKING_DIRECTORY "${CMAKE_BINARY_DIR}")
      set_tests_properties(${test_name} PROPERTIES TIMEOUT 600)
      if(shards GREATER 1)
        set_tests_properties(${test_name} PROPERTIES
          ENVIRONMENT "GTEST_TOTAL_SHARDS=${shards};GTEST_SHARD_INDEX=${shard}")
      endif()
    endforeach()
  else()
    gtest_discover_tests(${name} DISCOVERY_TIMEOUT 60
                         PROPERTIES ENVIRONMENT "QT_QPA_PLATFORM=offscreen")
  endif()
endfunction()
