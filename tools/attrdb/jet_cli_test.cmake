# End-to-end checks of attrdb tables / schema / export: output, messages on
# standard error and exit codes. The fixture checks run only where the
# shared fixtures are present.
function(run_attrdb)
  execute_process(COMMAND ${ATTRDB} ${ARGN} OUTPUT_VARIABLE out
                  ERROR_VARIABLE err RESULT_VARIABLE code)
  set(out "${out}" PARENT_SCOPE)
  set(err "${err}" PARENT_SCOPE)
  set(code "${code}" PARENT_SCOPE)
endfunction()

run_attrdb(tables no-such-file.mdb)
if(code EQUAL 0 OR NOT err STREQUAL
   "attrdb: no-such-file.mdb: opening failed: No such file or directory\n")
  message(FATAL_ERROR "tables on a missing file: exit ${code}, stderr [${err}]")
endif()

set(small "${FIXTURES}/attrdata-small.mdb")
if(NOT EXISTS "${small}")
  message(STATUS "shared fixtures absent: fixture checks skipped")
  return()
endif()

run_attrdb(tables "${small}")
if(NOT code EQUAL 0 OR NOT out STREQUAL "city\ncardtype\nnumindex\n")
  message(FATAL_ERROR "tables: exit ${code}, got [${out}] [${err}]")
endif()

run_attrdb(schema "${small}" CardType)
if(NOT code EQUAL 0 OR NOT out STREQUAL
   "TABLE cardtype (7 rows)\n  cardtype TEXT(10) compressed\n  describe TEXT(50) compressed\n")
  message(FATAL_ERROR "schema: exit ${code}, got [${out}] [${err}]")
endif()

run_attrdb(export "${small}" cardtype)
if(NOT code EQUAL 0 OR NOT out MATCHES "^cardtype,describe\n\"1\",\"中国移动\"\n")
  message(FATAL_ERROR "export: exit ${code}, got [${out}] [${err}]")
endif()

run_attrdb(export "${small}" nope)
if(code EQUAL 0 OR NOT err STREQUAL "attrdb: no such table: nope\n")
  message(FATAL_ERROR "export of a missing table: exit ${code}, stderr [${err}]")
endif()

run_attrdb(tables "${FIXTURES}/broken/zero-length.mdb")
if(code EQUAL 0 OR NOT err MATCHES "not a Jet database: the file is empty\n$")
  message(FATAL_ERROR "tables on an empty file: exit ${code}, stderr [${err}]")
endif()
