#!/usr/bin/env bash
# Builds everything and runs every test. Usage: scripts/test.sh [BUILD_DIR]
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/install-deps.sh
build_dir="${1:-build}"
ci_flags=()
if [ "${CI:-}" = "true" ]; then
  # Warnings fail the build; line tables are debug information enough for
  # a failure's backtrace, and build in three quarters of the time.
  # The benchmarks are built where they are run (bench/run_all.sh).
  ci_flags=(-DATTR_WERROR=ON "-DCMAKE_CXX_FLAGS_RELWITHDEBINFO=-O2 -g1 -DNDEBUG"
            -DATTR_BUILD_BENCH=OFF)
fi
cmake -S . -B "$build_dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  "${ci_flags[@]}" >/dev/null
cmake --build "$build_dir"
cd "$build_dir"

# One line: how many tests were skipped, grouped by the reason they gave (a
# GoogleTest skip's message, a script's "skipped: ..." line, else ctest's
# own), from ctest's JUnit report. A reason's details after ": " (which file)
# are dropped, so that one missing folder is one group.
skip_summary() {
  awk '
    function text(s) {
      sub(/^[ \t]*<system-out>/, "", s)
      gsub(/&lt;/, "<", s); gsub(/&gt;/, ">", s); gsub(/&quot;/, "\"", s)
      gsub(/&apos;/, "\047", s); gsub(/&amp;/, "\\&", s)
      return s
    }
    /<testcase / { skipped = 0; reason = ""; previous = "" }
    /<skipped message="/ {
      skipped = 1
      fallback = $0
      sub(/.*<skipped message="/, "", fallback); sub(/".*/, "", fallback)
    }
    skipped && reason == "" {
      line = text($0)
      if (previous ~ /: Skipped$/ && line !~ /^\[/) reason = line
      else if (line ~ /^skipped: /) reason = substr(line, 10)
      previous = line
    }
    /<\/testcase>/ && skipped {
      if (reason == "") reason = "no reason given (" text(fallback) ")"
      sub(/: .*/, "", reason)
      if (reason ~ /^shared fixtures? absent$/)
        reason = "need the shared fixtures (../shared or ATTR_SHARED_DIR)"
      count[reason]++
      skipped = 0
    }
    END { for (r in count) printf "%d %s\n", count[r], r }' "$1" |
    sort -k1,1nr -k2 |
    awk '{ total += $1; line = line (NR > 1 ? "; " : "") $0 }
         END { print total ? total " tests skipped: " line : "no test skipped" }'
}

junit="$PWD/Testing/Temporary/junit.xml"
rm -f "$junit"
status=0
QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j2 --output-junit "$junit" || status=$?
if [ -f "$junit" ]; then
  skip_summary "$junit" || echo "tests skipped: not known (the report could not be read)"
else
  echo "tests skipped: not known (ctest wrote no report)"
fi
exit "$status"
