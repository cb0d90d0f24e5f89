#!/usr/bin/env bash
# Builds everything and runs every test. Usage: scripts/test.sh [BUILD_DIR]
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/install-deps.sh
build_dir="${1:-build}"
werror=OFF
[ "${CI:-}" = "true" ] && werror=ON
cmake -S . -B "$build_dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DATTR_WERROR="$werror" >/dev/null
cmake --build "$build_dir"
cd "$build_dir"
QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j2
