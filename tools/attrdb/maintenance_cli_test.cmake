# attrdb encode-all end to end on a copy of the plain-head fixture: every
# plain head is changed once, a second run changes nothing, a narrow column
# is refused with the file left as it was.
if(NOT EXISTS "${FIXTURES}/attrdata-plain.mdb")
  message("shared fixtures absent: skipped")
  return()
endif()
set(work "${CMAKE_CURRENT_BINARY_DIR}/maintenance_cli")
file(REMOVE_RECURSE "${work}")
file(MAKE_DIRECTORY "${work}")
file(COPY "${FIXTURES}/attrdata-plain.mdb" "${FIXTURES}/attrdata-narrow.mdb"
     DESTINATION "${work}"
     FILE_PERMISSIONS OWNER_READ OWNER_WRITE)

function(run expected_out expected_code file)
  execute_process(COMMAND ${ATTRDB} encode-all "${work}/${file}"
                  OUTPUT_VARIABLE out ERROR_VARIABLE err RESULT_VARIABLE code)
  if(NOT out STREQUAL expected_out OR NOT code EQUAL expected_code)
    message(FATAL_ERROR "encode-all ${file}: got [${out}] exit ${code} (${err})")
  endif()
  set(last_error "${err}" PARENT_SCOPE)
endfunction()

run("2500 rows changed\n" 0 attrdata-plain.mdb)
run("0 rows changed\n" 0 attrdata-plain.mdb)
file(SHA256 "${work}/attrdata-narrow.mdb" before)
run("" 1 attrdata-narrow.mdb)
file(SHA256 "${work}/attrdata-narrow.mdb" after)
if(NOT before STREQUAL after OR NOT last_error MATCHES "holds at most 10 characters")
  message(FATAL_ERROR "narrow file changed or wrong message: ${last_error}")
endif()
