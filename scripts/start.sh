#!/usr/bin/env bash
# Builds the tool and starts it on the bundled sample database.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/install-deps.sh
build_dir=build
cmake -S . -B "$build_dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$build_dir"

if [ ! -x "$build_dir/app/attrsearch" ]; then
  echo "The window is not built yet; the command-line companion is:"
  echo "  $build_dir/tools/attrdb/attrdb --help"
  "$build_dir/tools/attrdb/attrdb" encode 1380013
  exit 0
fi
