#!/usr/bin/env bash
# Builds the tool and starts the window in a working folder holding
# attrdata.mdb: the bundled sample when built, else a copy of the small shared
# fixture, else none (the window then reports the missing database).
set -euo pipefail
cd "$(dirname "$0")/.."
root="$(pwd)"

bash scripts/install-deps.sh
build_dir=build
cmake -S . -B "$build_dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$build_dir"
program="$root/$build_dir/app/attrsearch"

if [ -f "$build_dir/sample/attrdata.mdb" ]; then
  run_dir="$build_dir/sample"
  echo "Database: the bundled sample, $run_dir/attrdata.mdb"
elif [ -f "../shared/fixtures/attrdata-small.mdb" ]; then
  run_dir="$build_dir/run"
  mkdir -p "$run_dir"
  cp ../shared/fixtures/attrdata-small.mdb "$run_dir/attrdata.mdb"
  chmod u+w "$run_dir/attrdata.mdb"
  echo "Database: a copy of the small shared fixture, $run_dir/attrdata.mdb"
else
  run_dir="$build_dir/run-without-database"
  mkdir -p "$run_dir"
  rm -f "$run_dir/attrdata.mdb"
  echo "Database: none; the window will report that attrdata.mdb is missing"
fi

if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
  echo "No display (neither DISPLAY nor WAYLAND_DISPLAY is set), so the window"
  echo "cannot be shown here. It is built as $build_dir/app/attrsearch; start it"
  echo "from a desktop session in $run_dir, or look at it with"
  echo "  tools/screenshot $run_dir/attrdata.mdb"
  exit 0
fi

cd "$run_dir"
exec "$program"
