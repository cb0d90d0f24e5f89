# Running attrdb and judging what it did, for the command-line tests (cmake -P
# scripts given ATTRDB, the program). Each check stops the test with a message
# naming what was run, what came out and what was wanted.

# attrdb([IN DIR] [INPUT TEXT] [ENV CHANGES] ARGS...): runs attrdb with ARGS in
# DIR (default: the working folder), with TEXT on standard input (default:
# nothing) and the environment changed by CHANGES (a list for cmake -E env:
# NAME=VALUE or --unset=NAME). The options come first, so that ARGS may hold
# any word. Sets out, err and code in the caller.
function(attrdb)
  set(dir "")
  set(input_file /dev/null)
  set(env "")
  # ARGV<n> rather than ARGN: an ENV list keeps its semicolons.
  set(i 0)
  while(i LESS ARGC)
    math(EXPR value "${i} + 1")
    set(option "${ARGV${i}}")
    set(value "${ARGV${value}}")
    if(option STREQUAL "IN")
      set(dir "${value}")
    elseif(option STREQUAL "INPUT")
      # One file per script: the tests run side by side in one folder.
      get_filename_component(script "${CMAKE_SCRIPT_MODE_FILE}" NAME_WE)
      set(input_file "${CMAKE_CURRENT_BINARY_DIR}/${script}.input")
      file(WRITE "${input_file}" "${value}")
    elseif(option STREQUAL "ENV")
      set(env "${value}")
    else()
      break()
    endif()
    math(EXPR i "${i} + 2")
  endwhile()
  set(args "")
  while(i LESS ARGC)
    list(APPEND args "${ARGV${i}}")
    math(EXPR i "${i} + 1")
  endwhile()
  set(command ${ATTRDB} ${args})
  if(env)
    set(command ${CMAKE_COMMAND} -E env ${env} ${command})
  endif()
  if(dir STREQUAL "")
    set(dir "${CMAKE_CURRENT_BINARY_DIR}")
  endif()
  execute_process(COMMAND ${command} WORKING_DIRECTORY "${dir}" INPUT_FILE "${input_file}"
                  OUTPUT_VARIABLE o ERROR_VARIABLE e RESULT_VARIABLE c)
  set(out "${o}" PARENT_SCOPE)
  set(err "${e}" PARENT_SCOPE)
  set(code "${c}" PARENT_SCOPE)
endfunction()

# The last run exited 0.
function(expect_ok what)
  if(NOT code EQUAL 0)
    message(FATAL_ERROR "${what}: exit ${code}\n${out}\n${err}")
  endif()
endfunction()

# GOT is the wanted text, which may be given in pieces (joined).
function(expect_equal what got)
  string(CONCAT want ${ARGN})
  if(NOT got STREQUAL want)
    message(FATAL_ERROR "${what}:\n got [${got}]\nwant [${want}]")
  endif()
endfunction()

# The last run wrote exactly EXPECTED_OUT on standard output and exited
# EXPECTED_CODE (NONZERO: any failure).
function(expect_output what expected_out expected_code)
  set(code_ok FALSE)
  if(code STREQUAL expected_code OR (expected_code STREQUAL "NONZERO" AND NOT code EQUAL 0))
    set(code_ok TRUE)
  endif()
  if(NOT code_ok OR NOT out STREQUAL expected_out)
    message(FATAL_ERROR "${what}: got [${out}] (exit ${code}, stderr [${err}]), "
                        "expected [${expected_out}] (exit ${expected_code})")
  endif()
endfunction()

# The last run failed and its standard error matches the regular expression.
function(expect_error what expected_err)
  if(code EQUAL 0 OR NOT err MATCHES "${expected_err}")
    message(FATAL_ERROR "${what}: got exit ${code}, stderr [${err}], "
                        "expected a failure saying [${expected_err}]")
  endif()
endfunction()
