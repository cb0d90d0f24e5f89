#!/usr/bin/env bash
# Builds the tool and starts the window in a working folder holding
# attrdata.mdb: the bundled sample when built, else a copy of the small shared
# fixture, else none (the window then reports the missing database).
set -euo pipefail
cd "$(dirname "$0")/.."
root="$(pwd)"

# Prints, through attrdb, what the window would show for three numbers whose
# heads are in the database (from the first, middle and last rows of
# numindex) and the heads of the first number's city.
show_answers() {
  local attrdb=$1 db=$2 heads head count row numbers=() province city
  heads=$("$attrdb" export "$db" numindex | sed -n '2,$p' | cut -d, -f1 | tr -d '"')
  count=$(printf '%s\n' "$heads" | grep -c . || true)
  if [ "$count" -eq 0 ]; then
    echo "The database holds no number heads."
    return
  fi
  for row in 1 $(( (count + 1) / 2 )) "$count"; do
    head=$(printf '%s\n' "$heads" | sed -n "${row}p")
    [ "${#head}" -eq 7 ] || head=$("$attrdb" decode "$head")  # plain or scrambled
    numbers+=("${head}0000")
  done
  echo
  echo "\$ attrdb lookup --db $db ${numbers[*]}"
  "$attrdb" lookup --db "$db" "${numbers[@]}"
  IFS=$'\t' read -r province city < <("$attrdb" lookup --db "$db" --no-header "${numbers[0]}" |
                                       cut -f3,4)
  echo
  echo "\$ attrdb list --db $db $province $city"
  "$attrdb" list --db "$db" "$province" "$city" | sed -n '1,10p;11s/.*/.../p'
}

bash scripts/install-deps.sh
build_dir=build
cmake -S . -B "$build_dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$build_dir"
program="$root/$build_dir/app/qt/attrsearch"

if [ -f "$build_dir/sample/attrdata.mdb" ]; then
  run_dir="$build_dir/sample"
  echo "Database: the bundled sample, $run_dir/attrdata.mdb (made-up heads: demonstration"
  echo "data, not a real registry)"
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
  echo "cannot be shown here. It is built as $build_dir/app/qt/attrsearch; start it"
  echo "from a desktop session in $run_dir, or look at it with"
  echo "  tools/screenshot $run_dir/attrdata.mdb"
  echo "Here are the window's answers through the command-line companion attrdb."
  if [ ! -f "$run_dir/attrdata.mdb" ]; then
    echo "There is no database to ask, so there is nothing to show."
    exit 0
  fi
  show_answers "$root/$build_dir/tools/attrdb/attrdb" "$run_dir/attrdata.mdb"
  exit 0
fi

cd "$run_dir"
exec "$program"
