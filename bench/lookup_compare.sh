#!/usr/bin/env bash
# attrdb lookup against a flat direct-index table in C++ (build/bench/
# direct_index) on the same database and the same input, in one run and one
# table of figures: start to exit for one number (as an argument, on standard
# input), 1 000 000 numbers from a file to a file, peak memory of each; then
# attrdb import, check and export (against mdb-export) for scale. The answers
# of the two lookups, and the two exports, are checked byte-identical.
#
# Usage: bench/lookup_compare.sh [ATTRDB] [DIRECT_INDEX] [DATABASE]
#   ATTRDB        the program (default build/tools/attrdb/attrdb)
#   DIRECT_INDEX  the peer (default build/bench/direct_index)
#   DATABASE      the database looked up, checked and exported (default the
#                 500 000-head one that the import row makes)
# Wall-clock figures by bash's clock; peaks are the Maximum resident set size
# of /usr/bin/time -v. Run it on a quiet machine: the load average is shown
# at start and end.
set -euo pipefail

here="$(cd "$(dirname "$0")/.." && pwd)"
attrdb="${1:-$here/build/tools/attrdb/attrdb}"
direct_index="${2:-$here/build/bench/direct_index}"
database="${3:-}"
count=1000000

fail() { echo "lookup_compare: $*" >&2; exit 1; }
for tool in awk cmp sort mdb-export /usr/bin/time; do
  command -v "$tool" >/dev/null || fail "$tool is needed (mdbtools, time, diffutils)"
done
[[ -x "$attrdb" ]] || fail "no program at $attrdb (build target attrdb)"
[[ -x "$direct_index" ]] || fail "no program at $direct_index (build target direct_index)"
[[ -z "$database" || -f "$database" ]] || fail "no database at $database"
attrdb="$(realpath "$attrdb")"
direct_index="$(realpath "$direct_index")"
[[ -n "$database" ]] && database="$(realpath "$database")"

work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
cd "$work"
load_start="$(cut -d' ' -f1-3 /proc/loadavg)"

# timed ALLOWED INPUT OUTPUT COMMAND...: microseconds of one run from start to
# exit by bash's clock; fails when the command exits above ALLOWED.
timed() {
  local allowed="$1" input="$2" output="$3" start end status=0
  shift 3
  start=${EPOCHREALTIME//[.,]/}
  "$@" < "$input" > "$output" 2> errors.txt || status=$?
  end=${EPOCHREALTIME//[.,]/}
  ((status <= allowed)) || fail "$* exited $status: $(head -c 500 errors.txt)"
  echo $((end - start))
}

# peak ALLOWED INPUT OUTPUT COMMAND...: the peak resident set of one run in
# KiB; its processor time (user and system, ms) is left in cpu.txt.
peak() {
  local allowed="$1" input="$2" output="$3" status=0
  shift 3
  /usr/bin/time -v -o rusage.txt "$@" < "$input" > "$output" 2> errors.txt || status=$?
  ((status <= allowed)) || fail "$* exited $status: $(head -c 500 errors.txt)"
  awk -F': ' '/(User|System) time/ { cpu += $2 } END { printf "%.0f ms\n", cpu * 1000 }' \
    rusage.txt > cpu.txt
  awk -F': ' '/Maximum resident set size/ { print $2 }' rusage.txt
}

# repeat RUNS ALLOWED INPUT OUTPUT COMMAND...: the microseconds of each run,
# one a line, sorted.
repeat() {
  local runs="$1" r
  shift
  for ((r = 0; r < runs; r++)); do timed "$@"; done | sort -n
}
median() { awk '{ t[NR] = $1 } END { print t[int((NR + 1) / 2)] }'; }
best() { head -n 1; }

# The figures: ms FIGURE (microseconds), mib FIGURE (KiB).
ms() { awk -v t="$1" 'BEGIN { printf "%.1f ms", t / 1000 }'; }
mib() { awk -v k="$1" 'BEGIN { printf "%.1f MiB", k / 1024 }'; }
row() { printf '%-44s %-24s %-24s %s\n' "$@"; }

# The 500 000 heads, imported with indexes: best of 3.
awk 'BEGIN { print "head,province,city,postal_code,area_code,card_type"
  for (i = 0; i < 500000; i++) { c = int(i / 100) % 340
    printf "%d,省份%02d,城市%03d,%06d,%d,中国移动\n",
           1300000 + i, c % 34, c, 100000 + c * 100, 300 + c } }' > heads.csv
import_wall="" import_peak=""
for ((r = 0; r < 3; r++)); do
  rm -f imported.mdb
  wall="$(timed 0 /dev/null /dev/null "$attrdb" import heads.csv --to imported.mdb -q)"
  rm -f imported.mdb
  kib="$(peak 0 /dev/null /dev/null "$attrdb" import heads.csv --to imported.mdb -q)"
  [[ -z "$import_wall" || "$wall" -lt "$import_wall" ]] && import_wall="$wall"
  [[ -z "$import_peak" || "$kib" -lt "$import_peak" ]] && import_peak="$kib"
done
[[ -n "$database" ]] || database="$work/imported.mdb"

# The input: numbers with heads 130..199, most of them bare, some with +86,
# blanks or dashes, a few lines of junk.
awk -v n="$count" 'BEGIN {
  srand(20261210);
  for (i = 0; i < n; i++) {
    head = 130 + int(rand() * 70);
    rest = sprintf("%08d", int(rand() * 100000000));
    form = i % 25;
    if (form == 0)      printf "+86 %d-%s-%s\n", head, substr(rest, 1, 4), substr(rest, 5);
    else if (form == 1) printf "%d %s %s\n", head, substr(rest, 1, 4), substr(rest, 5);
    else if (form == 2) printf "%d-%s-%s\n", head, substr(rest, 1, 4), substr(rest, 5);
    else if (i % 1000 == 3) printf "n/a\n";
    else                printf "%d%s\n", head, rest;
  }
}' > numbers.txt
echo 13800138000 > one.txt

build_wall="$(timed 0 /dev/null /dev/null "$direct_index" build "$database" table.bin)"
build_peak="$(peak 0 /dev/null /dev/null "$direct_index" build "$database" table.bin)"

# One number, start to exit: median of 21; a program that does nothing for
# scale (on a busy machine, most of a start is waiting for a core).
true_wall="$(repeat 21 0 /dev/null /dev/null /bin/true | median)"
arg_attrdb="$(repeat 21 0 /dev/null one-arg.tsv "$attrdb" lookup --db "$database" 13800138000 |
              median)"
stdin_attrdb="$(repeat 21 0 one.txt one-a.tsv "$attrdb" lookup --db "$database" | median)"
stdin_direct="$(repeat 21 0 one.txt one-d.tsv "$direct_index" lookup table.bin | median)"
cmp -s one-arg.tsv one-a.tsv || fail "attrdb answers one number differently as an argument"
cmp -s one-a.tsv one-d.tsv || fail "one number on standard input: the answers differ"
grep -q $'^13800138000\tfound\t' one-a.tsv || fail "13800138000 not found in $database"

# 1 000 000 numbers, file to file: best of 5 (junk lines make both exit 1).
many_attrdb="$(repeat 5 1 numbers.txt many-a.tsv "$attrdb" lookup --db "$database" | best)"
many_direct="$(repeat 5 1 numbers.txt many-d.tsv "$direct_index" lookup table.bin | best)"
cmp -s many-a.tsv many-d.tsv || fail "$count numbers: the answers differ"
[[ "$(wc -l < many-a.tsv)" -eq $((count + 1)) ]] || fail "$count numbers: wrong row count"

peak_many_attrdb="$(peak 1 numbers.txt many-a.tsv "$attrdb" lookup --db "$database")"
cpu_many_attrdb="$(cat cpu.txt)"
peak_many_direct="$(peak 1 numbers.txt many-d.tsv "$direct_index" lookup table.bin)"
cpu_many_direct="$(cat cpu.txt)"
peak_stdin_attrdb="$(peak 0 one.txt one-a.tsv "$attrdb" lookup --db "$database")"
peak_stdin_direct="$(peak 0 one.txt one-d.tsv "$direct_index" lookup table.bin)"
peak_arg_attrdb="$(peak 0 /dev/null one-arg.tsv "$attrdb" lookup --db "$database" 13800138000)"

check_wall="$(timed 0 /dev/null check.txt "$attrdb" check "$database")"
check_peak="$(peak 0 /dev/null check.txt "$attrdb" check "$database")"

# Reading the whole numindex table: best of 5, the two exports identical.
export_attrdb="$(repeat 5 0 /dev/null export-a.csv "$attrdb" export "$database" numindex | best)"
export_mdb="$(repeat 5 0 /dev/null export-m.csv mdb-export "$database" numindex | best)"
cmp -s export-a.csv export-m.csv || fail "attrdb export and mdb-export differ"
peak_export_attrdb="$(peak 0 /dev/null export-a.csv "$attrdb" export "$database" numindex)"
peak_export_mdb="$(peak 0 /dev/null export-m.csv mdb-export "$database" numindex)"

rate() { awk -v n="$count" -v t="$1" 'BEGIN { printf "%.2f M numbers/s", n / (t / 1e6) / 1e6 }'; }
faster() {  # faster A_MICROSECONDS B_MICROSECONDS NAME_A NAME_B
  awk -v a="$1" -v b="$2" -v na="$3" -v nb="$4" 'BEGIN {
    winner = na; times = b / a
    if (a > b) { winner = nb; times = a / b }
    printf "%s/%s = %.2f: %s is %.1f times as fast", na, nb, a / b, winner, times }'
}

echo "database: $(basename "$database"), $(($(stat -c %s "$database") / 1024)) KiB;" \
     "input: $count numbers, $(wc -c < numbers.txt) bytes"
echo "direct_index build: $(ms "$build_wall"), peak $(mib "$build_peak")," \
     "table $(($(stat -c %s table.bin) / 1024)) KiB"
echo
row "" "attrdb" "direct_index" ""
row "/bin/true, for scale (median of 21)" "$(ms "$true_wall")" "" ""
row "one number as an argument (median of 21)" "$(ms "$arg_attrdb")" "-" ""
row "one number on stdin (median of 21)" "$(ms "$stdin_attrdb")" "$(ms "$stdin_direct")" \
    "$(faster "$stdin_attrdb" "$stdin_direct" attrdb direct_index)"
row "$count numbers to a file (best of 5)" "$(ms "$many_attrdb")" "$(ms "$many_direct")" \
    "$(faster "$many_attrdb" "$many_direct" attrdb direct_index)"
row "  numbers/s" "$(rate "$many_attrdb")" "$(rate "$many_direct")" ""
row "  processor time (user + system, one run)" "$cpu_many_attrdb" "$cpu_many_direct" ""
row "peak, $count numbers" "$(mib "$peak_many_attrdb")" "$(mib "$peak_many_direct")" ""
row "peak, one number on stdin" "$(mib "$peak_stdin_attrdb")" "$(mib "$peak_stdin_direct")" ""
row "peak, one number as an argument" "$(mib "$peak_arg_attrdb")" "-" ""
echo
row "" "wall" "peak" ""
row "attrdb import, 500000 heads (best of 3)" "$(ms "$import_wall")" "$(mib "$import_peak")" ""
row "attrdb check (of the database above)" "$(ms "$check_wall")" "$(mib "$check_peak")" ""
row "attrdb export numindex (best of 5)" "$(ms "$export_attrdb")" \
    "$(mib "$peak_export_attrdb")" "$(faster "$export_attrdb" "$export_mdb" attrdb mdb-export)"
row "mdb-export numindex (best of 5)" "$(ms "$export_mdb")" "$(mib "$peak_export_mdb")" ""
echo
echo "load average: at start $load_start, at end $(cut -d' ' -f1-3 /proc/loadavg)"
