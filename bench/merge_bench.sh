#!/bin/bash
# Times attrdb import --merge into a database of ROWS heads (500 000 by
# default): a release with CHANGES changed heads (a third moved to another
# city, a third removed, a third new) merged with --prune, and the same
# release merged again (nothing to write). Peak memory of each run too.
#   bash bench/merge_bench.sh [ATTRDB] [ROWS] [CHANGES]
set -euo pipefail
attrdb=${1:-build/tools/attrdb/attrdb}
rows=${2:-500000}
changes=${3:-10000}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# release VERSION: version 0 is the base; version 1 changes `changes` heads.
release() {
  awk -v rows="$rows" -v changes="$changes" -v version="$1" 'BEGIN {
    print "head,province,city,postal_code,area_code,card_type"
    split("中国移动,中国联通,中国电信", types, ",")
    step = int(rows / changes) * 3
    for (i = 0; i < rows; i++) {
      c = int(i / 100) % 340
      if (version == 1 && i % step == 0) continue
      if (version == 1 && i % step == 1) c = (c + 7) % 340
      printf "%d,省份%02d,城市%03d,%06d,%d,%s\n", 1300000 + i, c % 34, c, 100000 + c * 100, 300 + c, types[i % 3 + 1]
    }
    if (version == 1)
      for (i = 0; i < changes / 3; i++)
        printf "%d,省份%02d,城市%03d,%06d,%d,%s\n", 1900000 + i, 1, 1, 100100, 301, types[1]
  }'
}
release 0 > "$work/base.csv"
release 1 > "$work/next.csv"
"$attrdb" import "$work/base.csv" --to "$work/base.mdb" -q

run() {
  local label=$1; shift
  /usr/bin/time -f "$label: %e s wall, %U s user + %S s system CPU, %M KiB peak memory" "$attrdb" import "$@" 2>&1 |
    grep -v '^\s*$' || true
}
echo "$rows heads, about $changes changed"
for k in 1 2 3; do
  cp "$work/base.mdb" "$work/a.mdb"
  run "merge of the changed release (--prune)" --merge "$work/next.csv" --to "$work/a.mdb" --prune --force
done
for k in 1 2 3; do
  run "merge of the same release again      " --merge "$work/next.csv" --to "$work/a.mdb" --prune
done
"$attrdb" check "$work/a.mdb"
