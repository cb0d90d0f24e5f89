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
QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j2
