# attrdb lookup and list, with their tests. The code is a library of its own
# so that the tests run it in process without building it twice.
add_library(attrdb_lookup STATIC attribution_index.cpp city_heads.cpp column_values.cpp
  line_reader.cpp lookup_output.cpp lookup_run.cpp mobile_number.cpp read_ahead_file.cpp)
target_include_directories(attrdb_lookup PUBLIC "${PROJECT_SOURCE_DIR}")
find_package(Threads REQUIRED)
target_link_libraries(attrdb_lookup PUBLIC db codec base CLI11::CLI11 Threads::Threads
                      PRIVATE attr_warnings)
target_link_libraries(attrdb PRIVATE attrdb_lookup)

attr_test(lookup_test
  SOURCES attribution_index_test.cpp lookup_input_test.cpp lookup_run_test.cpp
          lookup_test_db.cpp read_ahead_file_test.cpp batch_pipeline_test.cpp
  DEPS attrdb_lookup)
if(ATTR_BUILD_TESTS)
  add_test(NAME attrdb_lookup_cli COMMAND ${CMAKE_COMMAND}
    -DATTRDB=$<TARGET_FILE:attrdb>
    -DWORK=${CMAKE_CURRENT_BINARY_DIR}/lookup_cli
    -DFIXTURES=${PROJECT_SOURCE_DIR}/../shared/fixtures
    -P "${CMAKE_CURRENT_SOURCE_DIR}/lookup_cli_test.cmake")
endif()
