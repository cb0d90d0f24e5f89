#!/usr/bin/env bash
# A large database made from nothing: ROWS heads imported, then checked by
# attrdb check, counted and exported by mdbtools, and exported by attrdb;
# both exports must agree line for line.
# Usage: large_round_trip_test.sh ATTRDB ROWS WORK_DIR
set -euo pipefail
attrdb="$1"
rows="$2"
work="$3/large-round-trip"
rm -rf "$work"
mkdir -p "$work"

awk -v rows="$rows" 'BEGIN {
  print "head,province,city,postal_code,area_code,card_type"
  split("中国移动,中国联通,中国电信,虚拟运营商", types, ",")
  for (i = 0; i < rows; i++) {
    c = int(i / 97) % 341
    printf "%d,省份%02d,城市%03d,%06d,%d,%s\n", 1000000 + i * 7 % 1000000, c % 34, c,
           100000 + c * 100, 10 + c, types[i % 4 + 1]
  }
}' > "$work/heads.csv"

"$attrdb" import "$work/heads.csv" --to "$work/attrdata.mdb" -q
"$attrdb" check "$work/attrdata.mdb"

fail() { echo "large round trip: $*" >&2; exit 1; }
if command -v mdb-export >/dev/null; then
  count=$(mdb-count "$work/attrdata.mdb" numindex)
  [ "$count" = "$rows" ] || fail "mdb-count says $count rows, not $rows"
  for table in numindex city cardtype; do
    mdb-export "$work/attrdata.mdb" "$table" > "$work/$table.mdbtools.csv"
    "$attrdb" export "$work/attrdata.mdb" "$table" > "$work/$table.ours.csv"
    cmp -s "$work/$table.mdbtools.csv" "$work/$table.ours.csv" ||
      fail "$table: attrdb export and mdb-export differ ($(diff "$work/$table.mdbtools.csv" "$work/$table.ours.csv" | head -3))"
  done
fi
lines=$("$attrdb" export "$work/attrdata.mdb" numindex | wc -l)
[ "$lines" = "$((rows + 1))" ] || fail "attrdb export wrote $lines lines"
# A few heads come back through lookup.
"$attrdb" lookup --db "$work/attrdata.mdb" --no-header 10000001234 10000071234 |
  grep -c $'\tfound\t' | grep -qx 2 || fail "lookup did not find imported heads"
rm -rf "$work"
echo "large round trip: $rows rows sound and equal"
