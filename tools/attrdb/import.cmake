# attrdb import and check, with their tests.
target_sources(attrdb PRIVATE check_command.cpp csv_reader.cpp import_builder.cpp
  import_data.cpp progress_bar.cpp)

attr_test(attrdb_import_test
  SOURCES import_data_test.cpp import_builder_test.cpp csv_reader.cpp import_data.cpp
          import_builder.cpp
  DEPS db codec jet base)
if(ATTR_BUILD_TESTS)
  target_include_directories(attrdb_import_test PRIVATE "${PROJECT_SOURCE_DIR}")
  add_test(NAME attrdb_import_cli COMMAND ${CMAKE_COMMAND}
    -DATTRDB=$<TARGET_FILE:attrdb>
    -DWORK_DIR=${CMAKE_CURRENT_BINARY_DIR}
    -DFIXTURES=${PROJECT_SOURCE_DIR}/../shared/fixtures
    -P "${CMAKE_CURRENT_SOURCE_DIR}/import_cli_test.cmake")
endif()
