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
    add_test(NAME ${name} COMMAND ${name} --gtest_output=xml:test-reports/${name}.xml
             ${filter} WORKING_DIRECTORY "${CMAKE_BINARY_DIR}")
    set_tests_properties(${name} PROPERTIES TIMEOUT 600)
  else()
    gtest_discover_tests(${name} DISCOVERY_TIMEOUT 60
                         PROPERTIES ENVIRONMENT "QT_QPA_PLATFORM=offscreen")
  endif()
endfunction()
