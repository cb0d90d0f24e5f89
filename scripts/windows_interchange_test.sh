#!/usr/bin/env bash
# attrdb.exe (under wine) and the Linux attrdb read each other's databases:
# a CSV of a few hundred heads with Chinese text, imported by each, exports
# the same bytes through both programs and through mdb-export, answers the
# same lookups and passes both checks.
# Usage: scripts/windows_interchange_test.sh ATTRDB_EXE LINUX_ATTRDB WORK_DIR
set -euo pipefail
win_exe="$(realpath "$1")"
linux_attrdb="$(realpath "$2")"
work="$3"
rm -rf "$work"
mkdir -p "$work"
cd "$work"

failures=0
fail() {
  echo "interchange: $*" >&2
  failures=$((failures + 1))
}
# wine turns the arguments into UTF-16 by the locale's character set.
win() { LC_ALL=C.UTF-8 wine "$win_exe" "$@"; }
linux() { "$linux_attrdb" "$@"; }

# 300 heads over twelve cities and four card types.
cities=("北京,北京,100000,010" "上海,上海,200000,021" "广东,广州,510000,020"
        "广东,深圳,518000,0755" "四川,成都,610000,028" "湖北,武汉,430000,027"
        "浙江,杭州,310000,0571" "江苏,南京,210000,025" "陕西,西安,710000,029"
        "黑龙江,哈尔滨,150000,0451" "新疆,乌鲁木齐,830000,0991" "西藏,拉萨,850000,0891")
cards=("中国移动" "中国联通" "中国电信" "电信虚拟运营商")
{
  echo "head,province,city,postal_code,area_code,card_type"
  for i in $(seq 0 299); do
    echo "$((1300000 + i * 2311)),${cities[i % 12]},${cards[i % 4]}"
  done
} > heads.csv

linux import heads.csv --to linux.mdb --quiet
win import heads.csv --to win.mdb --quiet

# Each program exports both files; every export of a table is the same.
for table in city cardtype numindex; do
  linux export linux.mdb "$table" > "l-l-$table.csv"
  for pair in "linux export win.mdb" "win export win.mdb" "win export linux.mdb"; do
    read -r program command file <<<"$pair"
    out="${program:0:1}-${file:0:1}-$table.csv"
    $program "$command" "$file" "$table" > "$out"
    cmp -s "l-l-$table.csv" "$out" || fail "$program $command $file $table differs"
  done
  if command -v mdb-export >/dev/null; then
    mdb-export linux.mdb "$table" > "mdb-l-$table.csv"
    mdb-export win.mdb "$table" > "mdb-w-$table.csv"
    cmp -s "mdb-l-$table.csv" "mdb-w-$table.csv" || fail "mdb-export $table differs"
  fi
done
[ "$(wc -l < l-l-numindex.csv)" -eq 301 ] || fail "numindex does not hold 300 heads"

# Lookups of known, unknown and malformed numbers, each program in each file.
numbers=(13000000000 13023110000 13069330000 +86-130-1155-5123 13999999999 12345)
linux lookup --db linux.mdb "${numbers[@]}" > lookup-l-l.tsv 2>/dev/null || true
grep -q "深圳" lookup-l-l.tsv || fail "the Linux lookup finds no Chinese text"
for pair in "linux win.mdb" "win win.mdb" "win linux.mdb"; do
  read -r program file <<<"$pair"
  $program lookup --db "$file" "${numbers[@]}" > "lookup-${program:0:1}-${file:0:1}.tsv" 2>/dev/null || true
  cmp -s lookup-l-l.tsv "lookup-${program:0:1}-${file:0:1}.tsv" ||
    fail "$program lookup in $file differs"
done

# A city's heads, named in Chinese on the command line.
linux list --db linux.mdb 广东 深圳 > list-l.txt
[ -s list-l.txt ] || fail "the Linux list of 广东 深圳 is empty"
win list --db linux.mdb 广东 深圳 > list-w.txt || true
cmp -s list-l.txt list-w.txt || fail "attrdb.exe list 广东 深圳 differs"

# Both checks, both ways.
for program in linux win; do
  for file in linux.mdb win.mdb; do
    $program check "$file" > /dev/null || fail "$program check $file fails"
    $program check --data "$file" > /dev/null || fail "$program check --data $file fails"
  done
done

# A folder and files named in Chinese: attrdb.exe takes its arguments as
# UTF-8 and must not read them in the ANSI code page.
mkdir -p 数据
win import heads.csv --to 数据/归属地.mdb --quiet || fail "attrdb.exe import into 数据/归属地.mdb fails"
win export 数据/归属地.mdb numindex > w-zh-numindex.csv || true
cmp -s l-l-numindex.csv w-zh-numindex.csv || fail "attrdb.exe export of 数据/归属地.mdb differs"
win dump --db 数据/归属地.mdb --format csv -o 数据/全部.csv || fail "attrdb.exe dump -o 数据/全部.csv fails"
linux dump --db linux.mdb --format csv -o all-l.csv
cmp -s all-l.csv 数据/全部.csv || fail "attrdb.exe dump -o 数据/全部.csv differs"
win check 数据/归属地.mdb > /dev/null || fail "attrdb.exe check 数据/归属地.mdb fails"
message=$(win check 数据/没有.mdb 2>&1 >/dev/null || true)
grep -q "数据.没有.mdb" <<<"$message" || fail "attrdb.exe names 数据/没有.mdb wrongly: $message"

if [ "$failures" -ne 0 ]; then
  echo "interchange: $failures failed; files kept in $work" >&2
  exit 1
fi
echo "interchange: attrdb.exe and attrdb agree on 300 heads (export, mdb-export, lookup, list, check, Chinese file names)"
