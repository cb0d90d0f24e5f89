# End-to-end checks of attrdb's codec subcommands: exact output and exit codes.
function(expect_output args input expected_out expected_code)
  if(input STREQUAL "")
    execute_process(COMMAND ${ATTRDB} ${args} OUTPUT_VARIABLE out
                    ERROR_VARIABLE err RESULT_VARIABLE code)
  else()
    file(WRITE "${CMAKE_CURRENT_BINARY_DIR}/attrdb_cli_input.txt" "${input}")
    execute_process(COMMAND ${ATTRDB} ${args}
                    INPUT_FILE "${CMAKE_CURRENT_BINARY_DIR}/attrdb_cli_input.txt"
                    OUTPUT_VARIABLE out ERROR_VARIABLE err RESULT_VARIABLE code)
  endif()
  if(expected_code STREQUAL "NONZERO")
    if(code EQUAL 0)
      message(FATAL_ERROR "attrdb ${args}: expected a failure, got exit 0")
    endif()
  elseif(NOT out STREQUAL expected_out OR NOT code EQUAL expected_code)
    message(FATAL_ERROR "attrdb ${args}: got [${out}] (exit ${code}, stderr ${err}), "
                        "expected [${expected_out}] (exit ${expected_code})")
  endif()
endfunction()

expect_output("encode;1380013;1390800" ""
  "048254120249091211081\n048254121251065203144\n" 0)
expect_output("decode" "048254120249091211081\r\n1380013\n048255112138096109006"
  "1380013\n\n1234567\n" 0)
# A bad group is reported and the remaining lines are still processed.
expect_output("decode" "048abc\n048254121251065203144\n" "1390800\n" 1)
expect_output("nonsense" "" "" NONZERO)
