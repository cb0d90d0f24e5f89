# End-to-end checks of attrdb lookup and list on databases made by attrdb
# import (heads scrambled, and plain as before the maintenance command), and
# on the small shared fixture where it is present.
# Variables: ATTRDB (the program), WORK (a scratch folder), FIXTURES.
include("${CMAKE_CURRENT_LIST_DIR}/cli_test_helpers.cmake")

file(REMOVE_RECURSE "${WORK}")
# No data folder of the user's stands in for a missing working-folder file.
unset(ENV{XDG_DATA_HOME})
set(ENV{HOME} "${WORK}/empty")
file(MAKE_DIRECTORY "${WORK}/tables" "${WORK}/scrambled" "${WORK}/plain" "${WORK}/empty")

file(WRITE "${WORK}/tables/city.csv" "index,sheng,shi,youbian,quhao
1,北京,北京,100000,10
7,广东,深圳,518000,755
9,广东,深圳,518001,756
26,四川,\"成都, 市\",610000,28
")
file(WRITE "${WORK}/tables/cardtype.csv" "cardtype,describe
1,中国移动
3,中国电信
")
file(WRITE "${WORK}/tables/numindex.csv" "head,index,cardtype
1581309,9,1
1581308,7,1
1380013,1,1
1330755,7,3
1991234,26,3
1500000,1,1
")
foreach(form scrambled plain)
  set(option "")
  if(form STREQUAL "plain")
    set(option --plain)
  endif()
  attrdb(IN "${WORK}" import tables --to ${form}/attrdata.mdb -q ${option})
  expect_output("import ${form}" "" 0)
endforeach()

set(header "number\tstatus\tprovince\tcity\tpostal_code\tarea_code\tcard_type\n")
foreach(form scrambled plain)
  set(dir "${WORK}/${form}")
  # attrdata.mdb in the working directory unless --db names another file.
  attrdb(IN "${dir}" lookup 13800138000 "+86 199-1234-0000" 13900000000 10086)
  expect_output("${form}: lookup of arguments"
    "${header}13800138000\tfound\t北京\t北京\t100000\t010\t中国移动
19912340000\tfound\t四川\t成都, 市\t610000\t028\t中国电信
13900000000\tnot-found\t\t\t\t\t
10086\tnot-mobile\t\t\t\t\t
" 1)
  if(NOT err STREQUAL "attrdb: 1 line was not a mobile number\n")
    message(FATAL_ERROR "${form}: stderr [${err}]")
  endif()

  attrdb(IN "${WORK}" INPUT "15813080000\r\n008615000000000\r\n"
         lookup --db ${form}/attrdata.mdb --format csv --no-header)
  expect_output("${form}: CSV from standard input"
    "15813080000,found,广东,深圳,518000,0755,中国移动
15000000000,found,北京,北京,100000,010,中国移动
" 0)

  attrdb(IN "${dir}" lookup --format json 19912345678 13307550000)
  expect_output("${form}: JSON lines"
    "{\"number\":\"19912345678\",\"status\":\"found\",\"province\":\"四川\",\"city\":\"成都, 市\",\"postal_code\":\"610000\",\"area_code\":\"028\",\"card_type\":\"中国电信\"}
{\"number\":\"13307550000\",\"status\":\"found\",\"province\":\"广东\",\"city\":\"深圳\",\"postal_code\":\"518000\",\"area_code\":\"0755\",\"card_type\":\"中国电信\"}
" 0)

  # Both 广东/深圳 rows are listed: the first row's heads (index 7) first,
  # each row's in stored order.
  attrdb(IN "${dir}" list 广东 深圳)
  expect_output("${form}: list" "1581308xxxx\n1330755xxxx\n1581309xxxx\n" 0)
  attrdb(IN "${WORK}" list --db ${form}/attrdata.mdb 四川 "成都, 市")
  expect_output("${form}: list with --db" "1991234xxxx\n" 0)
  attrdb(IN "${dir}" list 广东 广州)
  expect_error("${form}: list of a city not there" "^attrdb: no city 广州 in province 广东\n$")
endforeach()

# Errors: the database missing, options refused, arguments missing.
attrdb(IN "${WORK}/empty" lookup 13800138000)
expect_error("lookup without a database" "^attrdb: .*attrdata.mdb")
attrdb(IN "${WORK}/empty" list 广东 深圳)
expect_error("list without a database" "^attrdb: .*attrdata.mdb")
attrdb(IN "${WORK}/scrambled" lookup --format xml 13800138000)
expect_error("an unknown format" "xml")
attrdb(IN "${WORK}/scrambled" list 广东)
expect_error("list without a city" "CITY")
foreach(command lookup list)
  attrdb(IN "${WORK}" ${command} --help)
  if(NOT code EQUAL 0 OR NOT out MATCHES "--db")
    message(FATAL_ERROR "${command} --help: exit ${code}, [${out}]")
  endif()
endforeach()

# The small shared fixture: its special rows, read where the file lies.
set(small "${FIXTURES}/attrdata-small.mdb")
if(NOT EXISTS "${small}")
  message(STATUS "shared fixtures absent: the checks on attrdata-small.mdb are skipped")
  return()
endif()
attrdb(IN "${WORK}" lookup --db "${small}" --no-header 15306130000 13975890000 15813080000)
expect_output("small fixture: orphan city, orphan card type, head stored twice"
  "15306130000\tfound\t\t\t\t\t中国电信
13975890000\tfound\t广东\t广州\t510000\t020\t99
15813080000\tfound\t广东\t深圳\t518000\t0755\t中国移动
" 0)
attrdb(IN "${WORK}" list --db "${small}" 吉林 吉林)
if(NOT code EQUAL 0 OR NOT out MATCHES "^(1[0-9][0-9][0-9][0-9][0-9][0-9]xxxx\n)+$")
  message(FATAL_ERROR "small fixture: list 吉林 吉林: exit ${code}, [${out}] [${err}]")
endif()
