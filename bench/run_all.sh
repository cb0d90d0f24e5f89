#!/usr/bin/env bash
# Runs every benchmark of the project and the comparisons with mdbtools, and
# prints their figures one after the other (docs/performance.md says what
# each one measures). Run it on a quiet machine after building:
#   cmake --build build && bash bench/run_all.sh [BUILD_DIR]
# Without the shared fixtures, the comparisons run on a 500 000-head
# database made by `attrdb import`.
set -euo pipefail
cd "$(dirname "$0")/.."
build="${1:-build}"
attrdb="$build/tools/attrdb/attrdb"
shared="${ATTR_SHARED_DIR:-../shared}"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT

section() { printf '\n== %s\n' "$*"; }

section "machine"
nproc
uptime

# A copy of the shared large database with the indexes an import makes, so
# that the lookups run through the file's indexes beside the scan path.
if [ -f "$shared/fixtures/attrdata-large.mdb" ]; then
  cp "$shared/fixtures/attrdata-large.mdb" "$work/large-indexed.mdb"
  for index in "city index" "cardtype cardtype" "numindex numhead" "numindex index"; do
    # shellcheck disable=SC2086
    "$attrdb" index add "$work/large-indexed.mdb" $index >/dev/null
  done
  export ATTR_BENCH_INDEXED_DB="$work/large-indexed.mdb"
fi

for bench in codec_bench jet_scan_bench attr_bench commands_bench lookup_bench lock_bench; do
  program="$build/bench/$bench"
  [ -x "$program" ] || continue
  section "$bench"
  QT_QPA_PLATFORM=offscreen "$program" --benchmark_min_time=0.2 2>/dev/null | grep -v '^-*$'
done

section "import of 500 000 heads"
bash bench/import_bench.sh "$attrdb" 500000

section "phone.dat of 500 000 heads: import, dump, info, check --data"
bash bench/data_bench.sh "$attrdb" 500000

section "encode-all of 507 620 plain heads"
ATTR_SHARED_DIR="$shared" bash bench/encode_all_bench.sh "$attrdb" 3

# A database of our own for the comparisons, the shared large one as well
# when it is there.
awk 'BEGIN {
  print "head,province,city,postal_code,area_code,card_type"
  for (i = 0; i < 500000; i++) {
    c = int(i / 100) % 340
    printf "%d,省份%02d,城市%03d,%06d,%d,中国移动\n", 1300000 + i, c % 34, c, 100000 + c * 100, 300 + c
  }
}' > "$work/heads.csv"
"$attrdb" import "$work/heads.csv" --to "$work/ours.mdb" -q
"$attrdb" import "$work/heads.csv" --to "$work/ours-without-indexes.mdb" -q --no-indexes
databases=("$work/ours.mdb" "$work/ours-without-indexes.mdb")
[ -f "$shared/fixtures/attrdata-large.mdb" ] && databases+=("$shared/fixtures/attrdata-large.mdb")
[ -n "${ATTR_BENCH_INDEXED_DB:-}" ] && databases+=("$ATTR_BENCH_INDEXED_DB")

for db in "${databases[@]}"; do
  section "reading $(basename "$db"): attrdb export against mdb-export"
  bash bench/compare_mdbtools.sh "$attrdb" "$db" numindex 5
  section "lookup on $(basename "$db")"
  bash bench/lookup_bench.sh "$attrdb" "$db" 5000000
done

section "lookup: attrdb against a direct-index table in C++"
if [ -x "$build/bench/direct_index" ]; then
  bash bench/lookup_compare.sh "$attrdb" "$build/bench/direct_index"
else
  echo "no $build/bench/direct_index: skipped (build target direct_index)"
fi
