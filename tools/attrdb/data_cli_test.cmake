# attrdb dump, info and check --data end to end, and import of phone.dat
# files the test writes itself (through dump): dump then import gives the
# same answers, phone.dat through import and dump gives the same bytes, a
# damaged phone.dat writes nothing, and check --data tells harm by its exit
# code.
include("${CMAKE_CURRENT_LIST_DIR}/cli_test_helpers.cmake")
set(work "${WORK_DIR}/data_cli")
file(REMOVE_RECURSE "${work}")
file(MAKE_DIRECTORY "${work}")

# What real data brings: a city with two area codes, a head without city,
# area codes with and without their 0.
file(WRITE "${work}/heads.csv"
  "head,province,city,postal_code,area_code,card_type\n"
  "1300000,湖北,襄阳,441000,0710,中国联通\n"
  "1300001,湖北,襄阳,441000,724,中国联通\n"
  "1990000,湖北,襄阳,441000,710,中国移动\n"
  "1340000,新疆,,,,中国电信\n")
attrdb(import "${work}/heads.csv" --to "${work}/a.mdb")
expect_ok("import")
string(FIND "${out}" "  1 city names held by several rows (one per postal and area code): 2 city rows, 3 heads\n  1 city rows with empty fields: 1 heads\n  1 city rows whose area code lost its leading 0: 2 heads\n" at)
if(at LESS 0)
  message(FATAL_ERROR "import summary: ${out}")
endif()

set(dumped
  "head,province,city,postal_code,area_code,card_type\n"
  "1300000,湖北,襄阳,441000,0710,中国联通\n"
  "1300001,湖北,襄阳,441000,0724,中国联通\n"
  "1340000,新疆,,,,中国电信\n"
  "1990000,湖北,襄阳,441000,0710,中国移动\n")
attrdb(dump --db "${work}/a.mdb")
expect_ok("dump")
expect_equal("dump csv" "${out}" ${dumped})
file(WRITE "${work}/dumped.csv" "${out}")
attrdb(import "${work}/dumped.csv" --to "${work}/b.mdb" -q)
expect_ok("import of the dump")
attrdb(dump --db "${work}/b.mdb")
expect_equal("dump of the dump's import" "${out}" ${dumped})

attrdb(dump --db "${work}/a.mdb" --format json)
string(REGEX MATCH "^[^\n]*\n" first "${out}")
expect_equal("dump json" "${first}"
  "{\"head\":\"1300000\",\"province\":\"湖北\",\"city\":\"襄阳\",\"postal_code\":\"441000\","
  "\"area_code\":\"0710\",\"card_type\":\"中国联通\"}\n")

# phone.dat: written, imported (told by content), written again: the same bytes.
attrdb(dump --db "${work}/a.mdb" --format phonedat --version 2412 -o "${work}/phone.dat")
expect_ok("dump phonedat")
attrdb(import "${work}/phone.dat" --to "${work}/c.mdb" -q)
expect_ok("import phone.dat")
attrdb(dump --db "${work}/c.mdb" --format phonedat --version 2412 -o "${work}/again.dat")
file(SHA256 "${work}/phone.dat" first)
file(SHA256 "${work}/again.dat" second)
expect_equal("phone.dat written again" "${second}" "${first}")
attrdb(lookup --db "${work}/c.mdb" --no-header 13000010000)
expect_equal("lookup after phone.dat"
  "${out}" "13000010000\tfound\t湖北\t襄阳\t441000\t0724\t中国联通\n")

# A damaged phone.dat (its index one byte short) writes nothing.
file(READ "${work}/phone.dat" hex HEX)
string(LENGTH "${hex}" length)
math(EXPR length "${length} - 2")
string(SUBSTRING "${hex}" 0 ${length} hex)
string(REGEX REPLACE "([0-9a-f][0-9a-f])" "\\\\x\\1" escaped "${hex}")
execute_process(COMMAND printf "${escaped}" OUTPUT_FILE "${work}/short.dat")
attrdb(import "${work}/short.dat" --to "${work}/none.mdb")
if(code EQUAL 0 OR EXISTS "${work}/none.mdb" OR
   NOT err MATCHES "short.dat: byte [0-9]+: the index's [0-9]+ bytes are not a whole number of 9-byte entries\nattrdb: nothing written")
  message(FATAL_ERROR "damaged phone.dat: exit ${code}, ${err}")
endif()

# info, as text and JSON.
attrdb(info "${work}/a.mdb")
expect_ok("info")
if(NOT out MATCHES "heads        4 \\(4 scrambled, 0 plain\\); 0 stored heads not decodable\n"
   OR NOT out MATCHES "cities       2 in 3 city rows\n"
   OR NOT out MATCHES "largest city 湖北 襄阳, 3 heads\n")
  message(FATAL_ERROR "info: ${out}")
endif()
attrdb(info "${work}/a.mdb" --format json)
expect_ok("info --format json")
string(JSON heads GET "${out}" heads total)
string(JSON prefix GET "${out}" heads_by_prefix 134)
string(JSON card GET "${out}" card_types 0 name)
expect_equal("info json" "${heads} ${prefix} ${card}" "4 1 中国联通")

# check --data: notes only give 0; harm gives 1.
attrdb(check --data "${work}/a.mdb")
expect_ok("check --data")
if(NOT out MATCHES "a.mdb: note: 1 city names held by several city rows")
  message(FATAL_ERROR "check --data: ${out}")
endif()
execute_process(COMMAND ${MAKE_DB} "${work}/demo.mdb" RESULT_VARIABLE c)
attrdb(check --data "${work}/demo.mdb")
if(NOT code EQUAL 1 OR NOT out MATCHES "demo.mdb: error: 1 heads whose city key has no city row\n    1530999\n    key 999\n")
  message(FATAL_ERROR "check --data on the demonstration database: exit ${code}\n${out}\n${err}")
endif()
