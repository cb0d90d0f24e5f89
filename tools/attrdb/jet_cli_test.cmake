# End-to-end checks of attrdb tables / schema / export / sql / index add: output,
# messages on standard error and exit codes, on a database made by our own
# engine (MAKE_DB) and, where the shared fixtures are present, on those.
include("${CMAKE_CURRENT_LIST_DIR}/cli_test_helpers.cmake")

attrdb(tables no-such-file.mdb)
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

attrdb(tables "${demo}")
expect_output("tables" "city\ncardtype\nnumindex\n" 0)

attrdb(schema "${demo}" CardType)
expect_output("schema"
  "TABLE cardtype (4 rows)\n  cardtype TEXT(10) compressed\n  describe TEXT(50) compressed\n" 0)

attrdb(export "${demo}" cardtype)
expect_output("export"
  "cardtype,describe\n\"1\",\"中国移动\"\n\"2\",\"中国联通\"\n\"3\",\"中国电信\"\n\"4\",\"中国广电\"\n" 0)

# The engine keeps the character GBK cannot hold; the query cursor does not.
attrdb(export "${demo}" city)
if(NOT code EQUAL 0 OR NOT out MATCHES "\n11,\"演示\",\"演示区😀\",\"000000\",\"0\"\n$")
  message(FATAL_ERROR "export of city: exit ${code}, got [${out}] [${err}]")
endif()
attrdb(sql "${demo}" "select shi, youbian from city where index=11 or sheng='北京'")
expect_output("sql" "shi\tyoubian\n北京\t100000\n朝阳\t100020\n演示区?\t000000\n(3 rows)\n" 0)
attrdb(sql "${demo}" "select * from nope")
if(NOT code EQUAL 1 OR NOT out STREQUAL "" OR NOT err MATCHES
   "^attrdb: The database engine cannot find the input table or query 'nope'")
  message(FATAL_ERROR "sql on a missing table: exit ${code}, got [${out}] [${err}]")
endif()

attrdb(export "${demo}" nope)
if(code EQUAL 0 OR NOT err STREQUAL "attrdb: no such table: nope\n")
  message(FATAL_ERROR "export of a missing table: exit ${code}, stderr [${err}]")
endif()

# An index added to the database: the same statement then seeks through it;
# a second index of that name is refused and changes nothing.
set(indexed "${work}/indexed.mdb")
file(COPY_FILE "${demo}" "${indexed}")
attrdb(sql --explain "${indexed}" "select numhead from numindex where index=9")
set(rows_before "${out}")
if(NOT code EQUAL 0 OR NOT err STREQUAL "plan: equality hash on numindex.index\n")
  message(FATAL_ERROR "sql --explain before index add: exit ${code}, got [${out}] [${err}]")
endif()
attrdb(index add "${indexed}" numindex INDEX --name by_city)
expect_output("index add" "added index by_city on numindex(index): 276 entries\n" 0)
attrdb(sql --explain "${indexed}" "select numhead from numindex where index=9")
if(NOT code EQUAL 0 OR NOT out STREQUAL "${rows_before}" OR NOT out MATCHES "\n\\(5 rows\\)\n$"
   OR NOT err STREQUAL "plan: index seek by_city on numindex.index\n")
  message(FATAL_ERROR "sql --explain after index add: exit ${code}, got [${out}] [${err}]")
endif()
file(SHA256 "${indexed}" digest_before)
attrdb(index add "${indexed}" numindex cardtype --name BY_CITY --unique)
file(SHA256 "${indexed}" digest_after)
if(NOT code EQUAL 1 OR NOT out STREQUAL "" OR NOT digest_before STREQUAL digest_after OR
   NOT err STREQUAL "attrdb: cannot add index BY_CITY to numindex: an index of that name exists\n")
  message(FATAL_ERROR "index add of a taken name: exit ${code}, got [${out}] [${err}]")
endif()
attrdb(check "${indexed}")
expect_ok("check after index add")

file(WRITE "${work}/zero-length.mdb" "")
attrdb(tables "${work}/zero-length.mdb")
expect_error("tables on an empty file" "not a Jet database: the file is empty\n$")

if(DEFINED ENV{ATTR_SHARED_DIR} AND NOT "$ENV{ATTR_SHARED_DIR}" STREQUAL "")
  set(FIXTURES "$ENV{ATTR_SHARED_DIR}/fixtures")
endif()
set(small "${FIXTURES}/attrdata-small.mdb")
if(NOT EXISTS "${small}")
  message(STATUS "shared fixtures absent: fixture checks skipped")
  return()
endif()

attrdb(tables "${small}")
expect_output("tables" "city\ncardtype\nnumindex\n" 0)

attrdb(schema "${small}" CardType)
expect_output("schema"
  "TABLE cardtype (7 rows)\n  cardtype TEXT(10) compressed\n  describe TEXT(50) compressed\n" 0)

attrdb(export "${small}" cardtype)
if(NOT code EQUAL 0 OR NOT out MATCHES "^cardtype,describe\n\"1\",\"中国移动\"\n")
  message(FATAL_ERROR "export: exit ${code}, got [${out}] [${err}]")
endif()

attrdb(export "${small}" nope)
if(code EQUAL 0 OR NOT err STREQUAL "attrdb: no such table: nope\n")
  message(FATAL_ERROR "export of a missing table: exit ${code}, stderr [${err}]")
endif()

attrdb(tables "${FIXTURES}/broken/zero-length.mdb")
expect_error("tables on an empty file" "not a Jet database: the file is empty\n$")

# --explain says how the rows were found.
attrdb(sql --explain "${demo}" "select shi from city where index=3")
if(NOT code EQUAL 0 OR NOT err STREQUAL "plan: equality hash on city.index\n")
  message(FATAL_ERROR "sql --explain: exit ${code}, got [${out}] [${err}]")
endif()
