#!/usr/bin/env bash
# The Debian package end to end: made by cpack from this build, unpacked
# with dpkg-deb -x into a scratch root, its files and fields checked, and
# its menu entry's command run there under a virtual X server with an empty
# home. The window must come up on the sample database, copied into the
# data folder by the launcher, with the sample's provinces in ComboBox1: each
# item is picked with the arrow keys and its text read back through the
# clipboard. attrdb from the package must find the same database from the
# home folder. lintian, desktop-file-validate and appstreamcli check the
# package and its files where they are installed.
# Usage: package_test.sh BUILD_DIR WORK_DIR CPACK
# Exit code 77 (skipped) when a tool it needs is missing.
set -euo pipefail
build=$1
work=$2
cpack=$3
under_xvfb="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)/app/qt/under_xvfb.sh"

skip() { echo "skipped: $*"; exit 77; }
fail() { echo "FAILED: $*" >&2; exit 1; }
for tool in "$cpack" dpkg-deb Xvfb xdotool xclip; do
  command -v "$tool" >/dev/null || skip "$tool is not installed"
done

rm -rf "$work"
mkdir -p "$work/home"
"$cpack" --config "$build/CPackConfig.cmake" -G DEB -B "$work/cpack" \
  > "$work/cpack.log" 2>&1 || { cat "$work/cpack.log"; fail "cpack -G DEB"; }
deb=$(ls "$work"/cpack/*.deb)
root="$work/root"
dpkg-deb -x "$deb" "$root"

# Fields.
version=$(dpkg-deb -f "$deb" Version)
recommends=$(dpkg-deb -f "$deb" Recommends)
[ "$recommends" = "fonts-wqy-microhei | fonts-noto-cjk" ] || fail "Recommends: $recommends"
dpkg-deb -f "$deb" Depends | grep -q libqt6widgets6 ||
  fail "Depends lacks Qt: $(dpkg-deb -f "$deb" Depends)"

# Files.
doc="$root/usr/share/doc/attrsearch"
desktop="$root/usr/share/applications/attrsearch.desktop"
metainfo=$(ls "$root"/usr/share/metainfo/*.metainfo.xml)
sample="$root/usr/share/attrsearch/sample/attrdata.mdb"
gzipped=("$doc/changelog.gz" "$root/usr/share/man/man1/attrsearch.1.gz"
         "$root/usr/share/man/man1/attrsearch-launch.1.gz")
[ -f "$build/packaging/attrdb.1.gz" ] && gzipped+=("$root/usr/share/man/man1/attrdb.1.gz")
for file in "$root"/usr/bin/{attrsearch,attrsearch-launch,attrdb} "$desktop" "$sample" \
            "$doc/copyright" "${gzipped[@]}"; do
  [ -s "$file" ] || fail "missing or empty: ${file#"$root"}"
done
for file in "${gzipped[@]}"; do
  gzip -t "$file" || fail "not gzip: ${file#"$root"}"
  # gzip -n: no name, no time stamp.
  [ "$(od -An -tu4 -j4 -N4 "$file" | tr -d ' ')" = 0 ] || fail "time stamp in ${file#"$root"}"
done
head -1 "$doc/copyright" |
  grep -qx 'Format: https://www.debian.org/doc/packaging-manuals/copyright-format/1.0/' ||
  fail "copyright is not machine-readable"
changelog_version=$(zcat "$doc/changelog.gz" | sed -n '1s/^attrsearch (\([^)]*\)).*/\1/p')
[ "$changelog_version" = "$version" ] ||
  fail "changelog's latest version [$changelog_version], package's [$version]"
grep -q "<release version=\"$version\"" "$metainfo" || fail "metainfo lacks release $version"
if command -v desktop-file-validate >/dev/null; then
  if ! out=$(desktop-file-validate "$desktop" 2>&1) || [ -n "$out" ]; then
    fail "desktop-file-validate: $out"
  fi
else
  echo "desktop-file-validate not installed: the desktop entry is not validated"
fi
if command -v appstreamcli >/dev/null; then
  appstreamcli validate --no-net "$metainfo" > "$work/appstream.log" 2>&1 ||
    { cat "$work/appstream.log"; fail "appstreamcli validate"; }
else
  echo "appstreamcli not installed: the AppStream file is not validated"
fi

if command -v lintian >/dev/null; then
  lintian --fail-on error,warning "$deb" > "$work/lintian.log" 2>&1 ||
    { cat "$work/lintian.log"; fail "lintian found errors or warnings"; }
else
  echo "lintian not installed: the package is not checked by it"
fi

# The menu entry's command, in the unpacked root with an empty home.
command=$(sed -n 's/^Exec=//p' "$desktop")
[ -n "$command" ] || fail "the desktop entry has no Exec"
cat > "$work/inside.sh" <<'INSIDE'
#!/usr/bin/env bash
# Runs inside the virtual display: starts the entry's command, waits for the
# window, and writes ComboBox1's items, one per line, to items.txt.
set -euo pipefail
work=$1; shift
"$@" > "$work/window.log" 2>&1 &
pid=$!
trap 'kill "$pid" 2>/dev/null || true' EXIT
main=""
for _ in $(seq 1 200); do
  kill -0 "$pid" 2>/dev/null || { echo "the window ended early:"; cat "$work/window.log"; exit 1; }
  main=$(xdotool search --onlyvisible --name '^Tarvel' 2>/dev/null | head -1 || true)
  [ -n "$main" ] && break
  # Boxes are captioned with the program's name: the database was not opened.
  if xdotool search --onlyvisible --name '^attrsearch$' >/dev/null 2>&1; then
    echo "an error box is shown instead of the window"
    exit 1
  fi
  sleep 0.1
done
[ -n "$main" ] || { echo "no window"; cat "$work/window.log"; exit 1; }
if xdotool search --onlyvisible --name '^attrsearch$' >/dev/null 2>&1; then
  echo "an error box is shown"
  exit 1
fi
# Activation fills ComboBox1; the focus starts on the tab strip, Tab moves
# it to ComboBox1 (the segment tab is the one shown first).
xdotool windowfocus --sync "$main"
sleep 0.5
xdotool key Tab

# The box's text after a key, copied to the clipboard; waits until it is no
# longer `previous`, or 20 tries (2 to 4 s).
text_after() {
  local key=$1 previous=$2 text=""
  xdotool key "$key"
  for _ in $(seq 1 20); do
    xdotool key ctrl+a ctrl+c
    text=$(xclip -o -selection clipboard 2>/dev/null || true)
    [ "$text" != "$previous" ] && break
    sleep 0.1
  done
  printf '%s' "$text"
}
# Down then Up lands on the first item whether or not one was current.
text_after Down "" > /dev/null
item=$(text_after Up "")
: > "$work/items.txt"
while [ -n "$item" ]; do
  printf '%s\n' "$item" >> "$work/items.txt"
  next=$(text_after Down "$item")
  [ "$next" = "$item" ] && break
  item=$next
done
INSIDE
chmod +x "$work/inside.sh"

export HOME="$work/home"
unset XDG_DATA_HOME QT_QPA_PLATFORM WAYLAND_DISPLAY
export PATH="$root/usr/bin:$PATH"
# A server of its own on the display it chooses, ready before the window
# starts; its log is shown when the window fails.
# shellcheck disable=SC2086  # the Exec line's words
(cd "$work/home" && timeout 90 bash "$under_xvfb" --log "$work/xvfb.log" \
  "$work/inside.sh" "$work" $command) ||
  fail "the menu entry's window (logs: $work/window.log, $work/xvfb.log)"

data="$HOME/.local/share/attrsearch"
cmp -s "$sample" "$data/attrdata.mdb" || fail "the data folder holds no copy of the sample"
# attrdb from the package, started in the (database-less) home folder.
(cd "$HOME" && attrdb sql "$data/attrdata.mdb" "select distinct sheng from city") |
  sed '1d; /^([0-9]* rows\{0,1\})$/d' > "$work/provinces.txt"
[ -s "$work/provinces.txt" ] || fail "attrdb found no provinces in the sample"
diff -u "$work/provinces.txt" "$work/items.txt" || fail "ComboBox1's items are not the sample's provinces"
first=$(head -1 "$work/provinces.txt")
(cd "$HOME" && attrdb list "$first" "$first") > "$work/list.txt" 2> "$work/list.err" ||
  fail "attrdb list $first $first: $(cat "$work/list.err")"
grep -qx "attrdb: reading $data/attrdata.mdb" "$work/list.err" ||
  fail "attrdb did not say it read the data folder's file: $(cat "$work/list.err")"
leftovers=$(find "$data" -name '.attrdata.mdb.*')
[ -z "$leftovers" ] || fail "the launcher left a partial copy: $leftovers"

# The launcher without a display (the window then ends at once): it keeps a
# database that is there, and follows an absolute XDG_DATA_HOME.
printf 'mine' > "$data/attrdata.mdb"
(cd / && env -u DISPLAY attrsearch-launch) > "$work/again.log" 2>&1 || true
[ "$(cat "$data/attrdata.mdb")" = mine ] || fail "the launcher replaced a database"
(cd / && env -u DISPLAY XDG_DATA_HOME="$work/xdg" attrsearch-launch) > "$work/xdg.log" 2>&1 || true
cmp -s "$sample" "$work/xdg/attrsearch/attrdata.mdb" ||
  fail "no sample copy in \$XDG_DATA_HOME/attrsearch: $(cat "$work/xdg.log")"
echo "package $(basename "$deb"): window shows $(wc -l < "$work/items.txt") provinces of the sample"
