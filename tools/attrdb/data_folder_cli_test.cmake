# attrdb lookup and list without --db: attrdata.mdb of the working folder,
# else of the user's data folder (the one the menu entry starts the window
# in), saying which file was read when it is the data folder's.
# Variables: ATTRDB (the program), WORK (a scratch folder).
include("${CMAKE_CURRENT_LIST_DIR}/cli_test_helpers.cmake")

file(REMOVE_RECURSE "${WORK}")
file(MAKE_DIRECTORY "${WORK}/tables" "${WORK}/empty" "${WORK}/here")
file(WRITE "${WORK}/tables/city.csv" "index,sheng,shi,youbian,quhao
1,北京,北京,100000,10
2,广东,深圳,518000,755
")
file(WRITE "${WORK}/tables/cardtype.csv" "cardtype,describe\n1,中国移动\n")
file(WRITE "${WORK}/tables/numindex.csv" "head,index,cardtype\n1380013,1,1\n")
set(home_folder "${WORK}/home/.local/share/attrsearch")
set(xdg_folder "${WORK}/xdg/attrsearch")
foreach(dir "${home_folder}" "${xdg_folder}")
  file(MAKE_DIRECTORY "${dir}")
  attrdb(IN "${WORK}" import tables --to "${dir}/attrdata.mdb" -q)
  expect_ok("import into ${dir}")
endforeach()
# The working folder's database answers differently: its 1380013 is 广东.
file(WRITE "${WORK}/tables/numindex.csv" "head,index,cardtype\n1380013,2,1\n")
attrdb(IN "${WORK}" import tables --to here/attrdata.mdb -q)
expect_ok("import into here")

# What's output and standard error, after a run that went well.
function(expect what expected_out expected_err)
  expect_output("${what}" "${expected_out}" 0)
  expect_equal("${what}: standard error" "${err}" "${expected_err}")
endfunction()

set(home_only --unset=XDG_DATA_HOME "HOME=${WORK}/home")
set(beijing "13800130000\tfound\t北京\t北京\t100000\t010\t中国移动\n")
set(guangdong "13800130000\tfound\t广东\t深圳\t518000\t0755\t中国移动\n")

attrdb(IN "${WORK}/empty" ENV "${home_only}" lookup --no-header 13800130000)
expect("HOME's data folder" "${beijing}"
       "attrdb: reading ${home_folder}/attrdata.mdb\n")
attrdb(IN "${WORK}/empty" ENV "${home_only}" list 北京 北京)
expect("list from HOME's data folder" "1380013xxxx\n"
       "attrdb: reading ${home_folder}/attrdata.mdb\n")
attrdb(IN "${WORK}/empty" ENV "XDG_DATA_HOME=${WORK}/xdg;HOME=${WORK}/nowhere"
       lookup --no-header 13800130000)
expect("XDG_DATA_HOME's data folder" "${beijing}"
       "attrdb: reading ${xdg_folder}/attrdata.mdb\n")
# A relative XDG_DATA_HOME is ignored.
attrdb(IN "${WORK}/empty" ENV "XDG_DATA_HOME=xdg;HOME=${WORK}/home"
       lookup --no-header 13800130000)
expect("relative XDG_DATA_HOME" "${beijing}"
       "attrdb: reading ${home_folder}/attrdata.mdb\n")

# The working folder's file comes first and is read without a word.
attrdb(IN "${WORK}/here" ENV "${home_only}" lookup --no-header 13800130000)
expect("the working folder's database" "${guangdong}" "")

# --db is never replaced, even by a file that exists elsewhere.
attrdb(IN "${WORK}/empty" ENV "${home_only}" lookup --db attrdata.mdb 13800130000)
if(code EQUAL 0 OR err MATCHES "reading")
  message(FATAL_ERROR "--db of a missing file: exit ${code}, [${out}] [${err}]")
endif()

# Neither folder has one: the working folder's name is reported missing.
attrdb(IN "${WORK}/empty" ENV "--unset=XDG_DATA_HOME;HOME=${WORK}/nowhere" list 北京 北京)
if(code EQUAL 0 OR NOT err MATCHES "^attrdb: .*attrdata.mdb" OR err MATCHES "reading")
  message(FATAL_ERROR "no database anywhere: exit ${code}, [${out}] [${err}]")
endif()
