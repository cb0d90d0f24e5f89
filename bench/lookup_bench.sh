#!/usr/bin/env bash
# attrdb lookup on a large database: throughput from a file of numbers to a
# file of answers on one core, the time from start to the first answer, and
# the resident memory of both.
#
# Usage: bench/lookup_bench.sh [ATTRDB] [DATABASE] [COUNT]
#   ATTRDB    the program (default build/tools/attrdb/attrdb)
#   DATABASE  an attribution database (default the large shared fixture)
#   COUNT     numbers in the input file (default 5000000)
# The input mixes the forms people write (mostly bare eleven digits, some
# with +86, blanks or dashes, a few that are no mobile number at all).
# Figures are wall-clock; run it on a quiet machine.
set -euo pipefail

here="$(cd "$(dirname "$0")/.." && pwd)"
attrdb="${1:-$here/build/tools/attrdb/attrdb}"
database="${2:-${ATTR_SHARED_DIR:-$here/../shared}/fixtures/attrdata-large.mdb}"
count="${3:-5000000}"
runs=5

for tool in awk taskset /usr/bin/time; do
  command -v "$tool" >/dev/null || { echo "lookup_bench: $tool is needed" >&2; exit 1; }
done
[[ -x "$attrdb" ]] || { echo "lookup_bench: no program at $attrdb (build target attrdb)" >&2; exit 1; }
[[ -f "$database" ]] || { echo "lookup_bench: no database at $database" >&2; exit 1; }
attrdb="$(realpath "$attrdb")"

work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
cp "$database" "$work/attrdata.mdb"
cd "$work"

awk -v n="$count" 'BEGIN {
  srand(20261208);
  for (i = 0; i < n; i++) {
    head = 130 + int(rand() * 70);
    rest = sprintf("%08d", int(rand() * 100000000));
    form = i % 20;
    if (form == 0)      printf "+86 %d-%s-%s\n", head, substr(rest, 1, 4), substr(rest, 5);
    else if (form == 1) printf "%d %s %s\n", head, substr(rest, 1, 4), substr(rest, 5);
    else if (form == 2) printf "0086%d%s\n", head, rest;
    else if (i % 1000 == 3) printf "n/a\n";
    else                printf "%d%s\n", head, rest;
  }
}' > numbers.txt
echo "input: $count numbers, $(wc -c < numbers.txt) bytes; database $(basename "$database")"
echo "load average: $(cut -d' ' -f1-3 /proc/loadavg)"

# measure INPUT OUTPUT COMMAND...: wall-clock seconds of one run on core 0,
# its peak resident set in KiB beside it.
measure() {
  local input="$1" output="$2" status=0
  shift 2
  /usr/bin/time -f "%e %M" -o time.txt taskset -c 0 "$@" < "$input" > "$output" 2> errors.txt ||
    status=$?
  [[ $status -le 1 ]] || { echo "lookup_bench: $* failed ($status)" >&2; exit 1; }
  tail -n 1 time.txt  # after "Command exited with non-zero status" if any
}

best_seconds=""
best_rss=0
for ((r = 0; r < runs; r++)); do
  read -r seconds rss < <(measure numbers.txt answers.tsv "$attrdb" lookup --db attrdata.mdb)
  if [[ -z "$best_seconds" ]] || awk -v a="$seconds" -v b="$best_seconds" 'BEGIN { exit !(a < b) }'; then
    best_seconds="$seconds"
  fi
  (( rss > best_rss )) && best_rss="$rss"
done
lines="$(wc -l < answers.tsv)"
[[ "$lines" -eq $((count + 1)) ]] || { echo "lookup_bench: $lines lines of output for $count numbers" >&2; exit 1; }
awk -v n="$count" -v s="$best_seconds" -v m="$best_rss" 'BEGIN {
  printf "file to file: best of '"$runs"': %.3f s, %.2f million numbers/s, peak RSS %.1f MiB\n",
         s, n / s / 1e6, m / 1024 }'

# Start-up: one number given on the command line, from exec to exit, timed
# by the shell itself (bash's clock, no extra process).
startups=()
for ((r = 0; r < 15; r++)); do
  start=${EPOCHREALTIME//[.,]/}
  "$attrdb" lookup --db attrdata.mdb 13800138000 > one.tsv
  end=${EPOCHREALTIME//[.,]/}
  startups+=($((end - start)))
done
read -r _ startup_rss < <(measure /dev/null one.tsv "$attrdb" lookup --db attrdata.mdb 13800138000)
printf '%s\n' "${startups[@]}" | sort -n | awk -v m="$startup_rss" '
  { t[NR] = $1 }
  END { printf "start-up to first answer: median %.1f ms, best %.1f ms (of %d), peak RSS %.1f MiB\n",
        t[int((NR + 1) / 2)] / 1000, t[1] / 1000, NR, m / 1024 }'
