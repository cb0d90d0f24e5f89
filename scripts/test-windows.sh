#!/usr/bin/env bash
# Cross-builds everything below the window for 64-bit Windows with mingw-w64,
# runs the test programs under wine, checks that attrdb.exe and the Linux
# attrdb read each other's databases, and makes the Windows ZIP.
# Usage: scripts/test-windows.sh [BUILD_DIR] [LINUX_BUILD_DIR]
# LINUX_BUILD_DIR (default build) holds the Linux attrdb for the interchange
# test; without it that test is left out with a message.
set -euo pipefail
cd "$(dirname "$0")/.."
started=$(date +%s)

# What the cross build needs, from Debian's packages; idempotent.
packages=(cmake ninja-build g++-mingw-w64-x86-64-posix libz-mingw-w64-dev
          googletest libcli11-dev nlohmann-json3-dev wine wine64 mdbtools)
missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "Installing: ${missing[*]}"
  sudo_cmd=()
  [ "$(id -u)" -ne 0 ] && sudo_cmd=(sudo)
  export DEBIAN_FRONTEND=noninteractive
  "${sudo_cmd[@]}" apt-get update -qq
  "${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi

build_dir="${1:-build-windows}"
linux_build_dir="${2:-build}"
werror=OFF
[ "${CI:-}" = "true" ] && werror=ON
mkdir -p "$build_dir"
build_dir="$(cd "$build_dir" && pwd)"

# One wine prefix per run, inside the build folder; no display, no Mono or
# Gecko installers, no debug chatter. The server stays up for the whole run
# (each program would otherwise start it and wine's services anew, and those
# keep the test's output open).
export WINEPREFIX="$build_dir/wineprefix"
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="
unset DISPLAY WAYLAND_DISPLAY
rm -rf "$WINEPREFIX"
mkdir -p "$WINEPREFIX"
wineserver -p </dev/null >/dev/null 2>&1
trap 'wineserver -k >/dev/null 2>&1 || true' EXIT
wine wineboot --init </dev/null >/dev/null 2>&1
echo "wine prefix ready after $(( $(date +%s) - started )) s"

# Optimised at -O1, no debug information: a sixth quicker to build than -O2
# (the Linux builds test -O2 code), and the tests still run at full speed.
cmake -S . -B "$build_dir" -G Ninja --toolchain cmake/mingw-w64-x86_64.cmake \
  -DCMAKE_BUILD_TYPE=Release -DCMAKE_CXX_FLAGS_RELEASE="-O1 -DNDEBUG" \
  -DATTR_WERROR="$werror" >/dev/null
cmake --build "$build_dir"
echo "built after $(( $(date +%s) - started )) s"

# Each test program runs once and writes an XML report of its cases.
rm -rf "$build_dir/test-reports"
(cd "$build_dir" && ctest --output-on-failure -j2)
total_passed=0 total_failed=0 total_skipped=0
for report in "$build_dir"/test-reports/*.xml; do
  # Cases, those with a failure, those skipped.
  read -r cases failed skipped < <(awk '
    /<testcase / { if (f) failed++; f = 0; n++; if (/result="skipped"/) s++ }
    /<failure/ { f = 1 }
    END { if (f) failed++; print n + 0, failed + 0, s + 0 }' "$report")
  passed=$((cases - failed - skipped))
  echo "  $(basename "$report" .xml): $passed passed, $failed failed, $skipped skipped"
  total_passed=$((total_passed + passed))
  total_failed=$((total_failed + failed))
  total_skipped=$((total_skipped + skipped))
done
echo "Windows test cases: $total_passed passed, $total_failed failed, $total_skipped skipped"

linux_attrdb="$linux_build_dir/tools/attrdb/attrdb"
if [ -x "$linux_attrdb" ]; then
  bash scripts/windows_interchange_test.sh "$build_dir/tools/attrdb/attrdb.exe" \
    "$linux_attrdb" "$build_dir/interchange"
else
  echo "interchange test left out: no Linux attrdb at $linux_attrdb"
fi

# The ZIP for Windows users, and what it holds.
(cd "$build_dir" && cpack -G ZIP >/dev/null)
zip_file=$(ls "$build_dir"/attrdb-*-windows-x86_64.zip)
listing=$(cmake -E tar tf "$zip_file")
for expected in attrdb.exe attrdata.mdb README-windows.txt LICENSE.txt; do
  if ! grep -q "/$expected\$" <<<"$listing"; then
    echo "$zip_file lacks $expected:" >&2
    echo "$listing" >&2
    exit 1
  fi
done
echo "$(basename "$zip_file"):"
sed 's/^/  /' <<<"$listing"
echo "Windows part done in $(( $(date +%s) - started )) s"
