# GoogleTest: the system's package, or, for a cross build (where the host's
# libraries are of no use), built here from its source, which Debian's
# googletest package puts in /usr/src/googletest.
set(ATTR_GTEST_SOURCE_DIR "" CACHE PATH
    "GoogleTest's source tree, built with the project instead of find_package(GTest)")
if(NOT ATTR_GTEST_SOURCE_DIR AND CMAKE_CROSSCOMPILING
   AND EXISTS /usr/src/googletest/CMakeLists.txt)
  set(ATTR_GTEST_SOURCE_DIR /usr/src/googletest CACHE PATH "" FORCE)
endif()

if(ATTR_GTEST_SOURCE_DIR)
  set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
  set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
  add_subdirectory("${ATTR_GTEST_SOURCE_DIR}" "${CMAKE_BINARY_DIR}/googletest"
                   EXCLUDE_FROM_ALL SYSTEM)
  foreach(library IN ITEMS gtest gtest_main)
    if(NOT TARGET GTest::${library})
      add_library(GTest::${library} ALIAS ${library})
    endif()
  endforeach()
else()
  find_package(GTest REQUIRED)
endif()
