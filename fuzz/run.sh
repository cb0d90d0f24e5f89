#!/usr/bin/env bash
# Builds the libFuzzer targets with clang and runs each in turn for SECONDS
# (default 60). Usage: fuzz/run.sh [SECONDS] [TARGET...]
#
# Build folder: $FUZZ_BUILD_DIR (default build-fuzz). Corpora grow in
# <build>/corpus/<target>/, starting from the generated seeds in
# <build>/seeds/<target>/ and the committed inputs in fuzz/regressions/.
# A crash stops its target: the input goes to <build>/crashes/<target>/,
# a minimized copy beside it (minimized-<name>), the log to
# <build>/logs/<target>.log; the other targets still run and the script
# exits 1. FUZZ_EXTRA_SEEDS="DIR..." adds the .mdb files (up to 512 KiB) of
# those folders to the read_database seeds, through symbolic links in
# <build>/extra-seeds/ (the files are only read).
set -uo pipefail
cd "$(dirname "$0")/.."

seconds="${1:-60}"
[ $# -gt 0 ] && shift
all_targets=(read_database parse_statement parameter_scan text_to_integer number_head
             update_sequence phone_dat csv_import merge_plan)
targets=("$@")
[ ${#targets[@]} -eq 0 ] && targets=("${all_targets[@]}")
build_dir="${FUZZ_BUILD_DIR:-build-fuzz}"

# clang, and its libFuzzer and sanitizer runtimes.
bash scripts/install-deps.sh clang libclang-rt-14-dev || exit 1
CXX=clang++ cmake -S . -B "$build_dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DATTR_BUILD_FUZZ=ON -DATTR_BUILD_TESTS=OFF -DATTR_BUILD_APP=OFF \
  -DATTR_BUILD_TOOLS=OFF -DATTR_BUILD_BENCH=OFF >/dev/null || exit 1
build_targets=(fuzz_replay)
for t in "${targets[@]}"; do build_targets+=("fuzz_$t"); done
cmake --build "$build_dir" -j2 --target "${build_targets[@]}" || exit 1

rm -rf "$build_dir/seeds"
"$build_dir/fuzz/fuzz_replay" --seeds "$build_dir/seeds" || exit 1
mkdir -p "$build_dir/logs"

# -timeout: no input may take 5 s; -rss_limit_mb and -malloc_limit_mb: no
# input may make the process large, nor ask for a single huge block.
options=(-max_total_time="$seconds" -timeout=5 -rss_limit_mb=2048 -malloc_limit_mb=256
         -print_final_stats=1)
# The import's targets write each input into a scratch folder of the
# temporary folder: in memory where the system offers it.
if [ -z "${TMPDIR:-}" ] && [ -d /dev/shm ] && [ -w /dev/shm ]; then
  export TMPDIR=/dev/shm
fi
status=0
for t in "${targets[@]}"; do
  corpus="$build_dir/corpus/$t"
  crashes="$build_dir/crashes/$t"
  mkdir -p "$corpus" "$crashes"
  inputs=("$corpus" "$build_dir/seeds/$t")
  [ -d "fuzz/regressions/$t" ] && inputs+=("fuzz/regressions/$t")
  limits=()
  if [ "$t" = read_database ]; then
    # Database files up to 512 KiB from the extra folders, linked (not copied).
    limits=(-max_len=524288)
    links="$build_dir/extra-seeds"
    rm -rf "$links"
    mkdir -p "$links"
    for extra in ${FUZZ_EXTRA_SEEDS:-}; do
      [ -d "$extra" ] || continue
      find "$(cd "$extra" && pwd)" -name '*.mdb' -size -513k -type f | while read -r file; do
        ln -sf "$file" "$links/$(echo "$file" | tr '/' '_')"
      done
    done
    inputs+=("$links")
  fi
  echo "== $t: $seconds s"
  before=$(ls "$crashes" | wc -l)
  "$build_dir/fuzz/fuzz_$t" "${options[@]}" "${limits[@]}" -artifact_prefix="$crashes/" "${inputs[@]}" \
    >"$build_dir/logs/$t.log" 2>&1
  rc=$?
  grep -E "^(#[0-9]+ +DONE|stat::number_of_executed_units|stat::average_exec_per_sec|stat::peak_rss_mb)" \
    "$build_dir/logs/$t.log" | tail -4
  grep -oE "cov: [0-9]+ ft: [0-9]+" "$build_dir/logs/$t.log" | tail -1
  if [ $rc -ne 0 ] || [ "$(ls "$crashes" | wc -l)" -ne "$before" ]; then
    status=1
    echo "   $t stopped (exit $rc); see $build_dir/logs/$t.log"
    for crash in "$crashes"/crash-* "$crashes"/timeout-* "$crashes"/oom-* "$crashes"/leak-*; do
      [ -f "$crash" ] || continue
      minimized="$crashes/minimized-$(basename "$crash")"
      [ -f "$minimized" ] && continue
      "$build_dir/fuzz/fuzz_$t" -minimize_crash=1 -max_total_time=60 -timeout=5 \
        -exact_artifact_path="$minimized" "$crash" >"$build_dir/logs/$t.minimize.log" 2>&1
      echo "   $(basename "$crash") -> $minimized"
    done
  fi
done
exit $status
