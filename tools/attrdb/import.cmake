# attrdb import and check, with their end-to-end tests.
target_sources(attrdb PRIVATE check_command.cpp progress_bar.cpp)

if(attr_cli_tests)
  add_test(NAME attrdb_import_cli COMMAND ${CMAKE_COMMAND}
    -DATTRDB=$<TARGET_FILE:attrdb>
    -DWORK_DIR=${CMAKE_CURRENT_BINARY_DIR}
    -DFIXTURES=${PROJECT_SOURCE_DIR}/../shared/fixtures
    -P "${CMAKE_CURRENT_SOURCE_DIR}/import_cli_test.cmake")
endif()
