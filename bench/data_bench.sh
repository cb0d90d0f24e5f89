#!/bin/bash
# Times attrdb on a phone.dat of 500 000 heads (by default) made here:
# import of the phone.dat, dump as CSV, JSON lines and phone.dat, info, and
# check --data; each run three times, the best wall time reported with its
# CPU time and peak memory.
#   bash bench/data_bench.sh [ATTRDB] [ROWS]
set -euo pipefail
attrdb=${1:-build/tools/attrdb/attrdb}
rows=${2:-500000}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# Made-up heads 1300000, 1300001, ... over 340 cities of 34 provinces, every
# tenth city with a second area code (as real data has), area codes with
# their leading 0, and the eight card types.
awk -v rows="$rows" 'BEGIN {
  print "head,province,city,postal_code,area_code,card_type"
  split("中国移动,中国联通,中国电信,中国电信虚拟运营商,中国联通虚拟运营商,中国移动虚拟运营商,中国广电,中国广电虚拟运营商", types, ",")
  for (i = 0; i < rows; i++) {
    c = int(i / 100) % 340
    area = 300 + c + (c % 10 == 0 && i % 2 ? 1 : 0)
    printf "%d,省份%02d,城市%03d,%06d,0%d,%s\n", 1300000 + i, c % 34, c, 100000 + c * 100, area, types[i % 8 + 1]
  }
}' > "$work/heads.csv"
"$attrdb" import "$work/heads.csv" --to "$work/made.mdb" -q
"$attrdb" dump --db "$work/made.mdb" --format phonedat --version 2412 -o "$work/phone.dat"
echo "$rows heads; phone.dat of $(stat -c %s "$work/phone.dat") bytes"

best() {
  local label=$1; shift
  local line best_line="" best_wall=999999
  for _ in 1 2 3; do
    /usr/bin/time -o "$work/time" -f "%e %U %S %M" "$@" >/dev/null 2>&1
    line=$(tail -1 "$work/time")
    read -r wall user sys mem <<<"$line"
    if awk -v a="$wall" -v b="$best_wall" 'BEGIN { exit !(a < b) }'; then
      best_wall=$wall
      best_line="$wall s wall, $user s user + $sys s system CPU, $mem KiB peak memory"
    fi
  done
  echo "$label: $best_line"
}

best "import phone.dat     " "$attrdb" import "$work/phone.dat" --to "$work/a.mdb" -q
best "dump --format csv    " "$attrdb" dump --db "$work/a.mdb" -o "$work/out.csv"
best "dump --format json   " "$attrdb" dump --db "$work/a.mdb" --format json -o "$work/out.json"
best "dump --format phonedat" "$attrdb" dump --db "$work/a.mdb" --format phonedat --version 2412 -o "$work/out.dat"
best "info                 " "$attrdb" info "$work/a.mdb"
best "info --format json   " "$attrdb" info "$work/a.mdb" --format json
best "check --data         " "$attrdb" check --data "$work/a.mdb"
cmp "$work/phone.dat" "$work/out.dat" && echo "phone.dat -> import -> dump: identical bytes"
