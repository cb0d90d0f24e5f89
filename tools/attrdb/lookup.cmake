# attrdb lookup and list, with their tests. The glue is a library of its own
# so that the tests run it in process without building it twice.
add_library(attrdb_lookup STATIC line_reader.cpp lookup_output.cpp lookup_run.cpp report.cpp)
target_include_directories(attrdb_lookup PUBLIC "${PROJECT_SOURCE_DIR}")
target_link_libraries(attrdb_lookup PUBLIC attribution db codec base CLI11::CLI11
                      PRIVATE attr_warnings)
target_link_libraries(attrdb PRIVATE attrdb_lookup)

attr_test(lookup_test
  SOURCES lookup_input_test.cpp lookup_run_test.cpp
  DEPS attrdb_lookup attribution_test_db)
if(attr_cli_tests)
  add_test(NAME attrdb_lookup_cli COMMAND ${CMAKE_COMMAND}
    -DATTRDB=$<TARGET_FILE:attrdb>
    -DWORK=${CMAKE_CURRENT_BINARY_DIR}/lookup_cli
    -DFIXTURES=${PROJECT_SOURCE_DIR}/../shared/fixtures
    -P "${CMAKE_CURRENT_SOURCE_DIR}/lookup_cli_test.cmake")
endif()
