# End-to-end checks of attrdb's codec subcommands: exact output and exit codes.
include("${CMAKE_CURRENT_LIST_DIR}/cli_test_helpers.cmake")

attrdb(encode 1380013 1390800)
expect_output("encode" "048254120249091211081\n048254121251065203144\n" 0)
attrdb(INPUT "048254120249091211081\r\n1380013\n048255112138096109006" decode)
expect_output("decode" "1380013\n\n1234567\n" 0)
# A bad group is reported and the remaining lines are still processed.
attrdb(INPUT "048abc\n048254121251065203144\n" decode)
expect_output("decode of a bad group" "1390800\n" 1)
attrdb(nonsense)
expect_output("an unknown subcommand" "" NONZERO)
