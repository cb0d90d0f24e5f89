#!/usr/bin/env bash
# Cross-builds for 64-bit Windows with mingw-w64 (everything below the window,
# attrdb.exe, and the window made with the Win32 API, attrsearch.exe), runs the
# test programs under wine without a display, checks that attrdb.exe and the
# Linux attrdb read each other's databases, makes the Windows ZIP, and makes
# the installer and checks its round trip (scripts/windows_installer_test.sh).
# Usage: scripts/test-windows.sh [BUILD_DIR] [LINUX_BUILD_DIR]
# LINUX_BUILD_DIR (default build) holds the Linux attrdb for the interchange
# test; without it that test is left out with a message.
set -euo pipefail
cd "$(dirname "$0")/.."
started=$(date +%s)

# What the cross build needs, from Debian's packages; idempotent.
packages=(cmake ninja-build g++-mingw-w64-x86-64-posix libz-mingw-w64-dev
          googletest libcli11-dev nlohmann-json3-dev wine wine64 mdbtools
          fonts-wine fonts-wqy-microhei nsis)
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

# One wine prefix per run, inside the build folder; no Mono or Gecko
# installers, no menu entries, no debug chatter. No display either: windows
# go to wine's null graphics driver. The window's tests find the same fonts
# everywhere: wine's own bitmap fonts (among them "MS Sans Serif") and
# WenQuanYi Micro Hei for 宋体 and SimSun.
export WINEPREFIX="$build_dir/wineprefix"
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
unset DISPLAY WAYLAND_DISPLAY
rm -rf "$WINEPREFIX"
mkdir -p "$WINEPREFIX"
trap 'wineserver -k >/dev/null 2>&1 || true' EXIT
wine wineboot --init </dev/null >/dev/null 2>&1
# wine reg add KEY VALUE DATA [TYPE]; its arguments read as UTF-8.
set_value() {
  LC_ALL=C.UTF-8 wine reg add "$1" /v "$2" /d "$3" /t "${4:-REG_SZ}" /f \
    </dev/null >/dev/null 2>&1
}
set_value 'HKCU\Software\Wine\Drivers' Graphics null
for family in 宋体 SimSun; do
  set_value 'HKCU\Software\Wine\Fonts\Replacements' "$family" "WenQuanYi Micro Hei"
done
wine_font=$(dpkg -L fonts-wine libwine 2>/dev/null | grep -m1 '/fonts/[^/]*\.fon$' || true)
if [ -n "$wine_font" ]; then
  cp "$(dirname "$wine_font")"/*.fon "$WINEPREFIX/drive_c/windows/Fonts/"
fi
# The settings hold from the next session on: this one ends (the server
# writes the registry as it goes), and one server then stays up for the whole
# run (each program would otherwise start it and wine's services anew, and
# those keep the test's output open), its services started here.
wineserver -k >/dev/null 2>&1 || true
wineserver -w
wineserver -p </dev/null >/dev/null 2>&1
wine wineboot </dev/null >/dev/null 2>&1
echo "wine prefix ready after $(( $(date +%s) - started )) s"

# Optimised at -O1, no debug information: a sixth quicker to build than -O2
# (the Linux builds test -O2 code), and the tests still run at full speed.
cmake -S . -B "$build_dir" -G Ninja --toolchain cmake/mingw-w64-x86_64.cmake \
  -DCMAKE_BUILD_TYPE=Release -DCMAKE_CXX_FLAGS_RELEASE="-O1 -DNDEBUG" \
  -DATTR_WERROR="$werror" >/dev/null
cmake --build "$build_dir"
echo "built after $(( $(date +%s) - started )) s"

# attrsearch.exe, linked statically, runs alone: it imports the system's
# libraries only.
attrsearch="$build_dir/app/win32/attrsearch.exe"
if [ -f "$attrsearch" ]; then
  imports=$(x86_64-w64-mingw32-objdump -p "$attrsearch" | sed -n 's/^\s*DLL Name: //p')
  system='kernel32|user32|gdi32|comctl32|comdlg32|shell32|ole32|oleaut32|advapi32|uxtheme'
  system+='|msvcrt|ucrtbase|ws2_32|shlwapi|version|imm32|bcrypt|api-ms-win-[a-z0-9-]+'
  foreign=$(grep -viE "^($system)\.dll\$" <<<"$imports" || true)
  if [ -n "$foreign" ]; then
    echo "attrsearch.exe needs libraries Windows does not have:" $foreign >&2
    exit 1
  fi
  echo "attrsearch.exe, $(stat -c %s "$attrsearch") bytes, imports:" $imports
fi

# Each test program runs once and writes an XML report of its cases.
rm -rf "$build_dir/test-reports"
(cd "$build_dir" && ctest --output-on-failure -j2)
# The window at the density the screen has: 144 pixels per inch in the
# registry, which a program started now reads.
if [ -f "$build_dir/app/win32/win32_window_test.exe" ]; then
  set_value 'HKCU\Control Panel\Desktop' LogPixels 144 REG_DWORD
  if ! (cd "$build_dir" && ATTR_EXPECTED_DPI=144 wine app/win32/win32_window_test.exe \
          --gtest_filter=Win32Window.OpensAtTheDensityOfItsScreen \
          --gtest_output=xml:test-reports/win32_window_test_144dpi.xml \
          >"$build_dir/win32_window_test_144dpi.log" 2>&1); then
    cat "$build_dir/win32_window_test_144dpi.log" >&2
    exit 1
  fi
fi
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
for expected in attrdb.exe attrsearch.exe attrdata.mdb README-windows.txt LICENSE.txt; do
  if ! grep -q "/$expected\$" <<<"$listing"; then
    echo "$zip_file lacks $expected:" >&2
    echo "$listing" >&2
    exit 1
  fi
done
echo "$(basename "$zip_file"):"
sed 's/^/  /' <<<"$listing"

# The installer, installed and uninstalled again.
bash scripts/windows_installer_test.sh "$build_dir"
echo "Windows part done in $(( $(date +%s) - started )) s"
