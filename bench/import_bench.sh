#!/bin/bash
# Times attrdb import of a generated CSV of number heads (500 000 by default)
# in the one-file layout and in the folder layout, and reports the peak
# memory of each run.
#   bash bench/import_bench.sh [ATTRDB] [ROWS]
set -euo pipefail
attrdb=${1:-build/tools/attrdb/attrdb}
rows=${2:-500000}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# Made-up heads 1300000, 1300001, ... spread over 340 cities of 34 provinces
# and three card types.
awk -v rows="$rows" 'BEGIN {
  print "head,province,city,postal_code,area_code,card_type"
  split("中国移动,中国联通,中国电信", types, ",")
  for (i = 0; i < rows; i++) {
    c = int(i / 100) % 340
    printf "%d,省份%02d,城市%03d,%06d,%d,%s\n", 1300000 + i, c % 34, c, 100000 + c * 100, 300 + c, types[i % 3 + 1]
  }
}' > "$work/heads.csv"
mkdir "$work/tables"
awk -v rows="$rows" 'BEGIN {
  print "index,sheng,shi,youbian,quhao" > "'"$work"'/tables/city.csv"
  for (c = 0; c < 340; c++)
    printf "%d,省份%02d,城市%03d,%06d,%d\n", c + 1, c % 34, c, 100000 + c * 100, 300 + c > "'"$work"'/tables/city.csv"
  print "cardtype,describe\n1,中国移动\n2,中国联通\n3,中国电信" > "'"$work"'/tables/cardtype.csv"
  print "head,index,cardtype"
  for (i = 0; i < rows; i++) printf "%d,%d,%d\n", 1300000 + i, int(i / 100) % 340 + 1, i % 3 + 1
}' > "$work/tables/numindex.csv"

run() {
  local label=$1; shift
  /usr/bin/time -f "$label: %e s wall, %U s user + %S s system CPU, %M KiB peak memory" "$attrdb" import "$@" -q 2>&1 >/dev/null |
    grep -v '^\s*$' || true
}
echo "$rows rows"
run "one file, scrambled" "$work/heads.csv" --to "$work/a.mdb"
run "one file, plain    " "$work/heads.csv" --to "$work/b.mdb" --plain
run "folder, scrambled  " "$work/tables" --to "$work/c.mdb"
run "replace, scrambled " "$work/heads.csv" --to "$work/a.mdb"
ls -l "$work"/*.mdb | awk '{print $5, $NF}' | sed "s|$work/||"
"$attrdb" check "$work/a.mdb"
