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

# measure CMD...: over $runs runs with the output discarded, the lowest wall
# time and the lowest processor time (user + system) in seconds, then the
# peak resident set in KiB of one more run.
measure() {
  local best_wall="" best_cpu="" line wall cpu report
  local TIMEFORMAT='%3R %3U %3S'
  for _ in $(seq "$runs"); do
    line=$( { time "$@" >/dev/null 2>/dev/null; } 2>&1 )
    read -r wall user sys <<<"$line"
    cpu=$(awk -v u="$user" -v s="$sys" 'BEGIN { printf "%.3f", u + s }')
    if [ -z "$best_wall" ] || awk "BEGIN{exit !($wall < $best_wall)}"; then best_wall=$wall; fi
    if [ -z "$best_cpu" ] || awk "BEGIN{exit !($cpu < $best_cpu)}"; then best_cpu=$cpu; fi
  done
  report=$(mktemp)
  /usr/bin/time -o "$report" -f '%M' "$@" >/dev/null
  echo "$best_wall $best_cpu $(tail -1 "$report")"
  rm -f "$report"
}

rows=$("$attrdb" export "$file" "$table" | tail -n +2 | wc -l)
read -r ours ours_cpu ours_rss < <(measure "$attrdb" export "$file" "$table")
read -r theirs theirs_cpu theirs_rss < <(measure mdb-export "$file" "$table")
size_kib=$(( $(stat -c %s "$file") / 1024 ))

printf 'table %s of %s: %d rows, file %d KiB, best of %d runs\n' \
  "$table" "$file" "$rows" "$size_kib" "$runs"
printf 'attrdb export: wall %6.3f s, cpu %6.3f s, peak %6d KiB\n' "$ours" "$ours_cpu" "$ours_rss"
printf 'mdb-export:    wall %6.3f s, cpu %6.3f s, peak %6d KiB\n' "$theirs" "$theirs_cpu" "$theirs_rss"
awk -v a="$ours" -v b="$theirs" -v ac="$ours_cpu" -v bc="$theirs_cpu" 'BEGIN {
  if (a <= 0) a = 0.001
  if (ac <= 0) ac = 0.001
  printf "attrdb export is %.1f times as fast as mdb-export (wall), %.1f times (cpu)\n",
         b / a, bc / ac }'
