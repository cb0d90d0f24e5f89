#!/usr/bin/env bash
# Times `attrdb export` against `mdb-export` on the same table, in the same
# run, and prints both, their ratio and each one's peak memory.
# Usage: bench/compare_mdbtools.sh [ATTRDB [FILE [TABLE [RUNS]]]]
# Defaults: build/tools/attrdb/attrdb, the large shared fixture, numindex, 3.
set -euo pipefail
cd "$(dirname "$0")/.."

attrdb="${1:-build/tools/attrdb/attrdb}"
shared="${ATTR_SHARED_DIR:-../shared}"
file="${2:-$shared/fixtures/attrdata-large.mdb}"
table="${3:-numindex}"
runs="${4:-3}"

for need in "$attrdb" "$file"; do
  if [ ! -e "$need" ]; then
    echo "compare_mdbtools: $need is absent; nothing to measure" >&2
    exit 0
  fi
done
command -v mdb-export >/dev/null || { echo "compare_mdbtools: mdb-export not installed" >&2; exit 1; }
[ -x /usr/bin/time ] || { echo "compare_mdbtools: /usr/bin/time not installed (package time)" >&2; exit 1; }

# best_of CMD...: the lowest wall time in seconds and the highest peak
# resident set in KiB over $runs runs, output discarded.
best_of() {
  local best="" peak=0 start end wall rss
  local report
  report=$(mktemp)
  for _ in $(seq "$runs"); do
    start=$EPOCHREALTIME
    /usr/bin/time -o "$report" -f '%M' "$@" >/dev/null
    end=$EPOCHREALTIME
    wall=$(awk -v s="$start" -v e="$end" 'BEGIN { printf "%.3f", e - s }')
    rss=$(tail -1 "$report")
    if [ -z "$best" ] || awk "BEGIN{exit !($wall < $best)}"; then best=$wall; fi
    if [ "$rss" -gt "$peak" ]; then peak=$rss; fi
  done
  rm -f "$report"
  echo "$best $peak"
}

rows=$("$attrdb" export "$file" "$table" | tail -n +2 | wc -l)
read -r ours ours_rss < <(best_of "$attrdb" export "$file" "$table")
read -r theirs theirs_rss < <(best_of mdb-export "$file" "$table")
size_kib=$(( $(stat -c %s "$file") / 1024 ))

printf 'table %s of %s: %d rows, file %d KiB\n' "$table" "$file" "$rows" "$size_kib"
printf 'attrdb export: %6.3f s, peak %6d KiB\n' "$ours" "$ours_rss"
printf 'mdb-export:    %6.3f s, peak %6d KiB\n' "$theirs" "$theirs_rss"
awk -v a="$ours" -v b="$theirs" 'BEGIN {
  if (a <= 0) a = 0.001
  printf "attrdb export is %.1f times as fast as mdb-export\n", b / a }'
