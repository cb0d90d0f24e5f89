# attrdb import and check end to end, on databases the test builds itself:
# the round trip through attrdb export (and mdb-export when installed),
# plain and scrambled heads, bad input leaving no file, replacing a file,
# and check on a sound and on a damaged copy (and on the shared fixtures
# where present).
include("${CMAKE_CURRENT_LIST_DIR}/cli_test_helpers.cmake")
set(work "${WORK_DIR}/import_cli")
file(REMOVE_RECURSE "${work}")
file(MAKE_DIRECTORY "${work}")

# `text` without its first line, in `var`.
function(drop_header var text)
  string(FIND "${text}" "\n" end)
  math(EXPR end "${end} + 1")
  string(SUBSTRING "${text}" ${end} -1 rest)
  set(${var} "${rest}" PARENT_SCOPE)
endfunction()

# The one-file layout: three heads in two cities; an empty postal code; a
# quoted field.
file(WRITE "${work}/heads.csv"
  "head,province,city,postal_code,area_code,card_type\n"
  "1390800,广东,广州,510000,20,中国移动\n"
  "1300000,北京,北京,100000,10,\"中国联通\"\n"
  "1390801,广东,广州,510000,20,中国移动\n"
  "1800000,广东,深圳,,755,中国电信\n")
attrdb(import "${work}/heads.csv" --to "${work}/a.mdb")
expect_ok("import")
if(NOT out MATCHES "^3 cities, 3 card types, 4 heads \\(scrambled\\) written to .*a.mdb in ")
  message(FATAL_ERROR "summary: ${out}")
endif()
attrdb(import "${work}/heads.csv" --to "${work}/a.mdb" --quiet)
expect_ok("import over the file just made")
attrdb(export "${work}/a.mdb" city)
expect_equal("city" "${out}"
  "index,sheng,shi,youbian,quhao\n1,\"广东\",\"广州\",\"510000\",\"20\"\n"
  "2,\"北京\",\"北京\",\"100000\",\"10\"\n3,\"广东\",\"深圳\",\"\",\"755\"\n")
attrdb(export "${work}/a.mdb" cardtype)
expect_equal("cardtype" "${out}"
  "cardtype,describe\n\"1\",\"中国移动\"\n\"2\",\"中国联通\"\n\"3\",\"中国电信\"\n")
attrdb(encode 1390800 1300000 1390801 1800000)
string(REGEX REPLACE "\n$" "" encoded "${out}")
string(REPLACE "\n" ";" encoded "${encoded}")
list(GET encoded 0 e0)
list(GET encoded 1 e1)
list(GET encoded 2 e2)
list(GET encoded 3 e3)
set(scrambled "\"${e0}\",1,\"1\"\n\"${e1}\",2,\"2\"\n\"${e2}\",1,\"1\"\n\"${e3}\",3,\"3\"\n")
attrdb(export "${work}/a.mdb" numindex)
drop_header(got "${out}")
expect_equal("numindex, scrambled" "${got}" "${scrambled}")
attrdb(sql --explain "${work}/a.mdb" "select * from numindex where numhead='${e3}'")
expect_ok("sql")
expect_equal("the import's index on numhead" "${err}" "plan: index seek numhead on numindex.numhead\n")

# mdb-export from mdbtools, an independent reader, sees the same rows.
find_program(MDB_EXPORT mdb-export)
if(MDB_EXPORT)
  execute_process(COMMAND ${MDB_EXPORT} "${work}/a.mdb" numindex OUTPUT_VARIABLE o
                  RESULT_VARIABLE c)
  drop_header(o "${o}")
  expect_equal("mdb-export numindex" "${o}" "${scrambled}")
  execute_process(COMMAND ${MDB_EXPORT} "${work}/a.mdb" city OUTPUT_VARIABLE o)
  # mdbtools writes empty text bare.
  string(FIND "${o}" "3,\"广东\",\"深圳\",,\"755\"" at)
  if(at LESS 0)
    message(FATAL_ERROR "mdb-export city: ${o}")
  endif()
else()
  message("mdb-export not installed: the second reader is skipped")
endif()

# --plain keeps the seven digits.
attrdb(import "${work}/heads.csv" --to "${work}/plain.mdb" --plain -q)
expect_ok("import --plain")
attrdb(export "${work}/plain.mdb" numindex)
expect_equal("numindex, plain" "${out}"
  "numhead,index,cardtype\n\"1390800\",1,\"1\"\n\"1300000\",2,\"2\"\n\"1390801\",1,\"1\"\n"
  "\"1800000\",3,\"3\"\n")

# Bad input: the message names file and line; no file is left, and an
# existing file is left as it was.
file(WRITE "${work}/bad.csv"
  "head,province,city,postal_code,area_code,card_type\n"
  "1390800,广东,广州,510000,20,中国移动\n"
  "1390800,广东,广州,510000,20,中国移动\n")
attrdb(import "${work}/bad.csv" --to "${work}/none.mdb")
if(code EQUAL 0 OR EXISTS "${work}/none.mdb" OR
   NOT err MATCHES "bad.csv:3: head 1390800 given twice \\(first on line 2\\)")
  message(FATAL_ERROR "duplicate head: exit ${code}, ${err}")
endif()
file(SHA256 "${work}/plain.mdb" before)
attrdb(import "${work}/bad.csv" --to "${work}/plain.mdb")
file(SHA256 "${work}/plain.mdb" after)
if(code EQUAL 0 OR NOT before STREQUAL after)
  message(FATAL_ERROR "bad input changed an existing file: exit ${code}")
endif()
# A file that is not a database is not replaced.
file(WRITE "${work}/notes.mdb" "not a database\n")
attrdb(import "${work}/heads.csv" --to "${work}/notes.mdb")
file(READ "${work}/notes.mdb" notes)
if(code EQUAL 0 OR NOT notes STREQUAL "not a database\n")
  message(FATAL_ERROR "a file that is no database was replaced: exit ${code}, ${err}")
endif()

# Replacing: the plain file becomes the folder layout's data, nothing of the
# old rows stays, and no temporary file is left beside it.
file(MAKE_DIRECTORY "${work}/tables")
file(WRITE "${work}/tables/city.csv" "index,sheng,shi,youbian,quhao\n42,上海,上海,200000,21\n")
file(WRITE "${work}/tables/cardtype.csv" "cardtype,describe\nX,中国移动\n")
file(WRITE "${work}/tables/numindex.csv" "head,index,cardtype\n1350000,42,X\n")
attrdb(import "${work}/tables" --to "${work}/plain.mdb" --plain -q)
expect_ok("replace")
attrdb(export "${work}/plain.mdb" numindex)
expect_equal("replaced numindex" "${out}" "numhead,index,cardtype\n\"1350000\",42,\"X\"\n")
file(GLOB left "${work}/plain.mdb?*")
expect_equal("files left beside the replaced one" "${left}" "")

# check: a sound file, then a copy without indexes whose last page (numindex
# rows) is zeroed.
attrdb(check "${work}/a.mdb")
expect_ok("check")
expect_equal("check output" "${out}" "${work}/a.mdb: no problems found\n")
attrdb(import "${work}/heads.csv" --to "${work}/damaged.mdb" --no-indexes -q)
expect_ok("import --no-indexes")
attrdb(sql --explain "${work}/damaged.mdb" "select * from numindex where numhead='${e3}'")
expect_equal("without indexes" "${err}" "plan: equality hash on numindex.numhead\n")
file(SIZE "${work}/damaged.mdb" size)
math(EXPR last "${size} / 4096 - 1")
execute_process(COMMAND dd if=/dev/zero "of=${work}/damaged.mdb" bs=4096 "seek=${last}"
                count=1 conv=notrunc RESULT_VARIABLE c ERROR_QUIET)
attrdb(check "${work}/damaged.mdb")
if(code EQUAL 0 OR NOT out MATCHES "numindex: row count 4, live rows 0")
  message(FATAL_ERROR "damaged copy: exit ${code}\n${out}\n${err}")
endif()
attrdb(check "${work}/heads.csv")
if(NOT code EQUAL 1 OR NOT out STREQUAL "" OR NOT err MATCHES "not a Jet database")
  message(FATAL_ERROR "check of a CSV file: exit ${code}\n${out}\n${err}")
endif()

# The shared fixtures, where present: the broken files are reported (not a
# crash), the attribution files are sound.
if(EXISTS "${FIXTURES}/broken")
  file(GLOB broken "${FIXTURES}/broken/*.mdb")
  foreach(f IN LISTS broken)
    attrdb(check "${f}")
    # A file that cannot be opened at all is an error on standard error;
    # damage found inside one a line on standard output.
    if(NOT code EQUAL 1 OR NOT "${out}${err}" MATCHES "^[^\n]*mdb: [^\n]+\n")
      message(FATAL_ERROR "check ${f}: exit ${code}\n${out}\n${err}")
    endif()
  endforeach()
  file(GLOB sound "${FIXTURES}/attrdata-*.mdb")
  foreach(f IN LISTS sound)
    attrdb(check "${f}")
    expect_ok("check ${f}")
  endforeach()
else()
  message("shared fixtures absent: their checks are skipped")
endif()

# --merge: one head corrected and one added in place; --dry-run writes
# nothing; --prune removes the heads the source lacks; a merge with nothing
# to change leaves the file byte for byte.
file(WRITE "${work}/fix.csv"
  "head,province,city,postal_code,area_code,card_type\n"
  "1300000,广东,深圳,,755,中国电信\n"
  "1500000,上海,上海,200000,021,中国移动\n")
file(SHA256 "${work}/a.mdb" hash_before)
attrdb(import --merge "${work}/fix.csv" --to "${work}/a.mdb" --dry-run)
expect_ok("merge --dry-run")
if(NOT out MATCHES "1 heads to add: 1500000" OR NOT out MATCHES
   "would merge: 1 added, 1 changed, 0 removed, 3 unchanged heads; 1 cities added")
  message(FATAL_ERROR "merge --dry-run: ${out}")
endif()
file(SHA256 "${work}/a.mdb" hash_after)
expect_equal("file after --dry-run" "${hash_after}" "${hash_before}")
attrdb(import --merge "${work}/fix.csv" --to "${work}/a.mdb")
expect_ok("merge")
if(NOT out MATCHES "^merged: 1 added, 1 changed, 0 removed, 3 unchanged heads")
  message(FATAL_ERROR "merge: ${out}")
endif()
attrdb(encode 1500000)
string(STRIP "${out}" e4)
attrdb(export "${work}/a.mdb" numindex)
drop_header(got "${out}")
expect_equal("numindex after merge" "${got}"
  "\"${e0}\",1,\"1\"\n\"${e1}\",3,\"3\"\n\"${e2}\",1,\"1\"\n\"${e3}\",3,\"3\"\n"
  "\"${e4}\",4,\"1\"\n")
attrdb(import --merge "${work}/fix.csv" --to "${work}/a.mdb" --prune --force)
expect_ok("merge --prune")
if(NOT out MATCHES "^merged: 0 added, 0 changed, 3 removed, 2 unchanged heads")
  message(FATAL_ERROR "merge --prune: ${out}")
endif()
file(SHA256 "${work}/a.mdb" hash_before)
attrdb(import --merge "${work}/fix.csv" --to "${work}/a.mdb" --prune)
expect_ok("merge again")
if(NOT out MATCHES "^nothing to merge: 0 added, 0 changed, 0 removed, 2 unchanged heads")
  message(FATAL_ERROR "merge again: ${out}")
endif()
file(SHA256 "${work}/a.mdb" hash_after)
expect_equal("file after an empty merge" "${hash_after}" "${hash_before}")
attrdb(check "${work}/a.mdb")
expect_ok("check after merges")
if(MDB_EXPORT)
  execute_process(COMMAND ${MDB_EXPORT} "${work}/a.mdb" numindex OUTPUT_VARIABLE o)
  drop_header(o "${o}")
  expect_equal("mdb-export numindex after merges" "${o}" "\"${e1}\",3,\"3\"\n\"${e4}\",4,\"1\"\n")
endif()
