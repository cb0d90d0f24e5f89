# End-to-end checks of attrdb tables / schema / export / sql / index add: output,
# messages on standard error and exit codes, on a database made by our own
# engine (MAKE_DB) and, where the shared fixtures are present, on those.
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

set(work "${WORK_DIR}/jet_cli")
file(REMOVE_RECURSE "${work}")
file(MAKE_DIRECTORY "${work}")
set(demo "${work}/demo.mdb")
execute_process(COMMAND ${MAKE_DB} "${demo}" RESULT_VARIABLE code)
if(NOT code EQUAL 0)
  message(FATAL_ERROR "making ${demo} failed: ${code}")
endif()

run_attrdb(tables "${demo}")
if(NOT code EQUAL 0 OR NOT out STREQUAL "city\ncardtype\nnumindex\n")
  message(FATAL_ERROR "tables: exit ${code}, got [${out}] [${err}]")
endif()

run_attrdb(schema "${demo}" CardType)
if(NOT code EQUAL 0 OR NOT out STREQUAL
   "TABLE cardtype (4 rows)\n  cardtype TEXT(10) compressed\n  describe TEXT(50) compressed\n")
  message(FATAL_ERROR "schema: exit ${code}, got [${out}] [${err}]")
endif()

run_attrdb(export "${demo}" cardtype)
if(NOT code EQUAL 0 OR NOT out STREQUAL
   "cardtype,describe\n\"1\",\"中国移动\"\n\"2\",\"中国联通\"\n\"3\",\"中国电信\"\n\"4\",\"中国广电\"\n")
  message(FATAL_ERROR "export: exit ${code}, got [${out}] [${err}]")
endif()

# The engine keeps the character GBK cannot hold; the query cursor does not.
run_attrdb(export "${demo}" city)
if(NOT code EQUAL 0 OR NOT out MATCHES "\n11,\"演示\",\"演示区😀\",\"000000\",\"0\"\n$")
  message(FATAL_ERROR "export of city: exit ${code}, got [${out}] [${err}]")
endif()
run_attrdb(sql "${demo}" "select shi, youbian from city where index=11 or sheng='北京'")
if(NOT code EQUAL 0 OR NOT out STREQUAL
   "shi\tyoubian\n北京\t100000\n朝阳\t100020\n演示区?\t000000\n(3 rows)\n")
  message(FATAL_ERROR "sql: exit ${code}, got [${out}] [${err}]")
endif()
run_attrdb(sql "${demo}" "select * from nope")
if(NOT code EQUAL 1 OR NOT out STREQUAL "" OR NOT err MATCHES
   "^attrdb: The database engine cannot find the input table or query 'nope'")
  message(FATAL_ERROR "sql on a missing table: exit ${code}, got [${out}] [${err}]")
endif()

run_attrdb(export "${demo}" nope)
if(code EQUAL 0 OR NOT err STREQUAL "attrdb: no such table: nope\n")
  message(FATAL_ERROR "export of a missing table: exit ${code}, stderr [${err}]")
endif()

# An index added to the database: the same statement then seeks through it;
# a second index of that name is refused and changes nothing.
set(indexed "${work}/indexed.mdb")
file(COPY_FILE "${demo}" "${indexed}")
run_attrdb(sql --explain "${indexed}" "select numhead from numindex where index=9")
set(rows_before "${out}")
if(NOT code EQUAL 0 OR NOT err STREQUAL "plan: equality hash on numindex.index\n")
  message(FATAL_ERROR "sql --explain before index add: exit ${code}, got [${out}] [${err}]")
endif()
run_attrdb(index add "${indexed}" numindex INDEX --name by_city)
if(NOT code EQUAL 0 OR NOT out STREQUAL "added index by_city on numindex(index): 276 entries\n")
  message(FATAL_ERROR "index add: exit ${code}, got [${out}] [${err}]")
endif()
run_attrdb(sql --explain "${indexed}" "select numhead from numindex where index=9")
if(NOT code EQUAL 0 OR NOT out STREQUAL "${rows_before}" OR NOT out MATCHES "\n\\(5 rows\\)\n$"
   OR NOT err STREQUAL "plan: index seek by_city on numindex.index\n")
  message(FATAL_ERROR "sql --explain after index add: exit ${code}, got [${out}] [${err}]")
endif()
file(SHA256 "${indexed}" digest_before)
run_attrdb(index add "${indexed}" numindex cardtype --name BY_CITY --unique)
file(SHA256 "${indexed}" digest_after)
if(NOT code EQUAL 1 OR NOT out STREQUAL "" OR NOT digest_before STREQUAL digest_after OR
   NOT err STREQUAL "attrdb: cannot add index BY_CITY to numindex: an index of that name exists\n")
  message(FATAL_ERROR "index add of a taken name: exit ${code}, got [${out}] [${err}]")
endif()
run_attrdb(check "${indexed}")
if(NOT code EQUAL 0)
  message(FATAL_ERROR "check after index add: exit ${code}, got [${out}] [${err}]")
endif()

file(WRITE "${work}/zero-length.mdb" "")
run_attrdb(tables "${work}/zero-length.mdb")
if(code EQUAL 0 OR NOT err MATCHES "not a Jet database: the file is empty\n$")
  message(FATAL_ERROR "tables on an empty file: exit ${code}, stderr [${err}]")
endif()

if(DEFINED ENV{ATTR_SHARED_DIR} AND NOT "$ENV{ATTR_SHARED_DIR}" STREQUAL "")
  set(FIXTURES "$ENV{ATTR_SHARED_DIR}/fixtures")
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

# --explain says how the rows were found.
run_attrdb(sql --explain "${demo}" "select shi from city where index=3")
if(NOT code EQUAL 0 OR NOT err STREQUAL "plan: equality hash on city.index\n")
  message(FATAL_ERROR "sql --explain: exit ${code}, got [${out}] [${err}]")
endif()
