#!/usr/bin/env bash
# The Windows installer's round trip under wine: makes it (`cpack -G NSIS` in
# BUILD_DIR), installs it silently, checks the installed files, the
# Start-menu shortcut and the Add/Remove Programs entry, runs the installed
# attrdb.exe, starts as the shortcut does (the user's data folder made and
# given the sample database; attrdb.exe then reads it from any folder),
# uninstalls silently and checks that all is gone but the user's data.
# Usage: scripts/windows_installer_test.sh BUILD_DIR
# Runs in the wine prefix WINEPREFIX (null graphics driver, server running),
# as scripts/test-windows.sh sets it up; needs Debian's nsis (makensis).
set -euo pipefail
[ $# -eq 1 ] || { echo "usage: $0 BUILD_DIR" >&2; exit 2; }
: "${WINEPREFIX:?the wine prefix to install into}"
build_dir=$(cd "$1" && pwd)
# Shortcuts made in the prefix must not become menu entries of this machine.
case "${WINEDLLOVERRIDES:-}" in
  *winemenubuilder.exe=d*) ;;
  *) export WINEDLLOVERRIDES="${WINEDLLOVERRIDES:+$WINEDLLOVERRIDES;}winemenubuilder.exe=d" ;;
esac
work="$build_dir/installer-test"
started=$(date +%s%N)

fail() {
  echo "installer test: $*" >&2
  exit 1
}
ms_since() { echo $(( ($(date +%s%N) - $1) / 1000000 )); }
# The Unix path of a Windows path of the prefix ("C:\x\y").
unix_path() {
  local path=${1//\\//}
  local drive=${path:0:1}
  echo "$WINEPREFIX/dosdevices/${drive,}:${path:2}"
}
# Waits up to $1 seconds for the command after it to succeed.
wait_for() {
  local deadline=$(( $(date +%s) + $1 ))
  shift
  until "$@"; do
    [ "$(date +%s)" -lt "$deadline" ] || return 1
    sleep 0.2
  done
}
gone() { for path in "$@"; do [ ! -e "$path" ] || return 1; done; }

command -v makensis >/dev/null || fail "makensis is missing (Debian package nsis)"
rm -rf "$work"
mkdir -p "$work/elsewhere"

# The installer, and the files it holds as cpack staged them.
(cd "$build_dir" && cpack -G NSIS >"$work/cpack.log" 2>&1) ||
  { cat "$work/cpack.log" >&2; fail "cpack -G NSIS failed"; }
setup=$(sed -n 's/^CPack: - package: \(.*-setup\.exe\) generated\.$/\1/p' "$work/cpack.log")
[ -f "$setup" ] || { cat "$work/cpack.log" >&2; fail "cpack made no installer"; }
version=$(sed -n 's/^set(CPACK_PACKAGE_VERSION "\(.*\)")$/\1/p' "$build_dir/CPackConfig.cmake")
staged="$build_dir/_CPack_Packages/windows-x86_64/NSIS/$(basename "$setup" .exe)"
staged_files=$(cd "$staged" && find . -type f | sed 's|^\./||' | sort)
for expected in attrdb.exe attrdata.mdb README-windows.txt LICENSE.txt; do
  grep -qx "$expected" <<<"$staged_files" || fail "the installer lacks $expected"
done
window=no
grep -qx attrsearch.exe <<<"$staged_files" && window=yes

# Where things go in this prefix.
{ read -r local_app_data; read -r program_files; } < <(
  wine cmd /c 'echo %LOCALAPPDATA%& echo %ProgramW6432%' 2>/dev/null | tr -d '\r')
install_dir=$(unix_path "$program_files\\attrtool")
data_dir=$(unix_path "$local_app_data\\attrsearch")
uninstall_key='Software\Microsoft\Windows\CurrentVersion\Uninstall\attrtool'
[ ! -e "$install_dir" ] || fail "$install_dir exists before the install"
rm -rf "$data_dir"

# Install. (The 32-bit stub, under a 64-bit wine, would return 0 and install
# nothing: only the files tell.)
t=$(date +%s%N)
wine "$setup" /S >/dev/null 2>&1 || fail "the installer failed (exit $?)"
wait_for 30 test -e "$install_dir/Uninstall.exe" || fail "nothing installed in $install_dir"
install_ms=$(ms_since "$t")

installed_files=$(cd "$install_dir" && find . -type f | sed 's|^\./||' | sort)
[ "$installed_files" = "$(printf '%s\nUninstall.exe' "$staged_files" | sort)" ] ||
  fail "installed [$installed_files], expected [$staged_files] and Uninstall.exe"
while read -r file; do
  cmp -s "$staged/$file" "$install_dir/$file" || fail "$file differs from the build's"
done <<<"$staged_files"

menu_dir=$(find "$WINEPREFIX/drive_c" -type d -path '*/Start Menu/Programs/attrtool')
[ -n "$menu_dir" ] && [ -f "$menu_dir/Uninstall.lnk" ] || fail "no Start-menu folder attrtool"
if [ $window = yes ]; then
  shortcut="$menu_dir/Tarvel手机归属地查询.lnk"
  [ -f "$shortcut" ] || fail "no shortcut $shortcut: $(ls "$menu_dir")"
  # The target's full path is stored as ANSI text, the arguments as UTF-16.
  link_target=$(strings -a "$shortcut" | grep -m1 -i '^[a-z]:\\.*\.exe$' || true)
  [ "$(unix_path "$link_target")" -ef "$install_dir/attrsearch.exe" ] ||
    fail "the shortcut starts [$link_target], not the installed attrsearch.exe"
  strings -a -el "$shortcut" | grep -qx -- '--user-data' || fail "the shortcut lacks --user-data"
fi

registry=$(wine reg query "HKLM\\$uninstall_key" 2>/dev/null ||
           wine reg query "HKCU\\$uninstall_key" 2>/dev/null) ||
  fail "no $uninstall_key in the registry"
registry=$(tr -d '\r' <<<"$registry")
for value in "DisplayName.*attrtool" "DisplayVersion.*$version" \
             "UninstallString.*attrtool\\\\Uninstall\.exe" "InstallLocation.*attrtool"; do
  grep -q "$value" <<<"$registry" || fail "the uninstall key lacks $value: $registry"
done

# The installed programs run.
installed_version=$(wine "$install_dir/attrdb.exe" --version 2>&1 | tr -d '\r')
grep -q "$version" <<<"$installed_version" ||
  fail "attrdb.exe --version says [$installed_version], expected $version"

# The first start from the shortcut makes the user's data folder and gives it
# the sample database; attrdb.exe, started in another folder, reads it then.
if [ $window = yes ]; then
  (cd "$work/elsewhere" && exec wine "$link_target" --user-data >/dev/null 2>&1) &
  window_pid=$!
  wait_for 20 test -f "$data_dir/attrdata.mdb" ||
    { kill "$window_pid" 2>/dev/null; fail "attrsearch.exe --user-data made no $data_dir"; }
  kill "$window_pid" 2>/dev/null || true
  wait "$window_pid" 2>/dev/null || true
else
  echo "no attrsearch.exe in the installer: the user's data folder made as its first start would"
  mkdir -p "$data_dir"
  cp "$install_dir/attrdata.mdb" "$data_dir/attrdata.mdb"
fi
cmp -s "$install_dir/attrdata.mdb" "$data_dir/attrdata.mdb" ||
  fail "$data_dir/attrdata.mdb is not the sample database"
lookup=$(cd "$work/elsewhere" && wine "$install_dir/attrdb.exe" lookup --no-header 13006301234 \
           2>"$work/lookup.err" | tr -d '\r') || fail "lookup failed: $(cat "$work/lookup.err")"
grep -q $'^13006301234\tfound\t' <<<"$lookup" || fail "lookup gave [$lookup]"
grep -q '^attrdb: reading .*AppData.Local.attrsearch.attrdata\.mdb' "$work/lookup.err" ||
  fail "attrdb.exe did not say it read the data folder's file: $(cat "$work/lookup.err")"

# Uninstall: the uninstaller copies itself to TEMP and returns at once, the
# copy does the work.
echo "user's own" >"$data_dir/notes.txt"
t=$(date +%s%N)
wine "$install_dir/Uninstall.exe" /S >/dev/null 2>&1 || fail "the uninstaller failed (exit $?)"
wait_for 30 gone "$install_dir" "$menu_dir" ||
  fail "left after uninstalling: $(find "$install_dir" "$menu_dir" 2>/dev/null)"
uninstall_ms=$(ms_since "$t")
for root in HKLM HKCU; do
  if wine reg query "$root\\$uninstall_key" >/dev/null 2>&1; then
    fail "$root\\$uninstall_key is left after uninstalling"
  fi
done
cmp -s "$staged/attrdata.mdb" "$data_dir/attrdata.mdb" && [ -f "$data_dir/notes.txt" ] ||
  fail "the uninstaller touched the user's data folder: $(ls -la "$data_dir" 2>&1)"

printf '%s: %s bytes; installs into %s\\attrtool:\n' "$(basename "$setup")" \
  "$(stat -c %s "$setup")" "$program_files"
(cd "$staged" && find . -type f -printf '  %-24P %10s bytes\n' | sort)
echo "  Uninstall.exe (made by the installer)"
echo "installed in ${install_ms} ms, uninstalled in ${uninstall_ms} ms;" \
     "installer test done in $(( $(ms_since "$started") / 1000 )) s"
