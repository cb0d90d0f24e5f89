# attrdb encode-all end to end: every plain head is changed once, a second
# run changes nothing, a narrow column is refused with the file left as it
# was. On databases made by our own engine (MAKE_DB), then on copies of the
# shared fixtures where they are present.
include("${CMAKE_CURRENT_LIST_DIR}/cli_test_helpers.cmake")
set(work "${WORK_DIR}/maintenance_cli")
file(REMOVE_RECURSE "${work}")
file(MAKE_DIRECTORY "${work}")

function(make_db name)
  execute_process(COMMAND ${MAKE_DB} "${work}/${name}" ${ARGN} RESULT_VARIABLE code)
  if(NOT code EQUAL 0)
    message(FATAL_ERROR "making ${name} failed: ${code}")
  endif()
endfunction()

# encode-all on FILE of the scratch folder; its standard error in last_error.
function(run expected_out expected_code file)
  attrdb(encode-all "${work}/${file}")
  expect_output("encode-all ${file}" "${expected_out}" ${expected_code})
  set(last_error "${err}" PARENT_SCOPE)
endfunction()

# 276 heads, every tenth stored scrambled already, and four odd heads.
make_db(mixed.mdb mixed odd)
run("248 rows changed\n" 0 mixed.mdb)
run("0 rows changed\n" 0 mixed.mdb)
attrdb(check "${work}/mixed.mdb")
expect_ok("check after encode-all")
# On a terminal (where `script` can give one) a progress bar is drawn on
# standard error as the rows are walked, and wiped before the count.
find_program(SCRIPT script)
if(SCRIPT)
  make_db(terminal.mdb mixed odd)
  execute_process(COMMAND ${SCRIPT} -qec "'${ATTRDB}' encode-all '${work}/terminal.mdb'" /dev/null
                  OUTPUT_VARIABLE out RESULT_VARIABLE code)
  string(ASCII 27 escape)
  string(FIND "${out}" "] 100 / 280 rows\r" bar)
  string(FIND "${out}" "\r${escape}[K248 rows changed" count)
  if(NOT code EQUAL 0 OR bar EQUAL -1 OR count EQUAL -1 OR count LESS bar)
    message(FATAL_ERROR "encode-all on a terminal: exit ${code}, got [${out}]")
  endif()
endif()

make_db(indexed.mdb plain indexes)
run("276 rows changed\n" 0 indexed.mdb)
make_db(empty.mdb empty)
run("0 rows changed\n" 0 empty.mdb)

make_db(narrow.mdb plain narrow=10)
file(SHA256 "${work}/narrow.mdb" before)
run("" 1 narrow.mdb)
file(SHA256 "${work}/narrow.mdb" after)
set(refusal "attrdb: Column numhead of table numindex holds at most 10 characters, ")
string(APPEND refusal "but a scrambled number head needs 21. Nothing was changed\n")
if(NOT before STREQUAL after OR NOT last_error STREQUAL refusal)
  message(FATAL_ERROR "narrow file changed or wrong message: ${last_error}")
endif()

if(DEFINED ENV{ATTR_SHARED_DIR} AND NOT "$ENV{ATTR_SHARED_DIR}" STREQUAL "")
  set(FIXTURES "$ENV{ATTR_SHARED_DIR}/fixtures")
endif()
if(NOT EXISTS "${FIXTURES}/attrdata-plain.mdb")
  message("shared fixtures absent: fixture checks skipped")
  return()
endif()
file(COPY "${FIXTURES}/attrdata-plain.mdb" "${FIXTURES}/attrdata-narrow.mdb"
     DESTINATION "${work}"
     FILE_PERMISSIONS OWNER_READ OWNER_WRITE)

run("2500 rows changed\n" 0 attrdata-plain.mdb)
run("0 rows changed\n" 0 attrdata-plain.mdb)
file(SHA256 "${work}/attrdata-narrow.mdb" before)
run("" 1 attrdata-narrow.mdb)
file(SHA256 "${work}/attrdata-narrow.mdb" after)
if(NOT before STREQUAL after OR NOT last_error MATCHES "holds at most 10 characters")
  message(FATAL_ERROR "narrow file changed or wrong message: ${last_error}")
endif()
