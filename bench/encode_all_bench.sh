#!/bin/bash
# Times attrdb encode-all on a copy of the shared fixture of 507 620 plain
# heads (attrdata-large-plain.mdb: each head grows from 7 to 21 digits, so
# most rows move to new pages), RUNS times (3 by default), and reports the
# wall and CPU time and the peak memory of each run. Skips, saying so, when
# the shared fixtures are absent ($ATTR_SHARED_DIR, else ../shared beside
# the source tree).
#   bash bench/encode_all_bench.sh [ATTRDB] [RUNS]
set -euo pipefail
attrdb=${1:-build/tools/attrdb/attrdb}
runs=${2:-3}
shared=${ATTR_SHARED_DIR:-$(dirname "$0")/../../shared}
fixture="$shared/fixtures/attrdata-large-plain.mdb"
if [ ! -f "$fixture" ]; then
  echo "encode-all bench skipped: no $fixture"
  exit 0
fi
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

echo "attrdb encode-all of $(basename "$fixture") ($(stat -c %s "$fixture") bytes)"
for k in $(seq "$runs"); do
  # encode-all changes the file in place: a fresh, writable copy each run.
  cp "$fixture" "$work/a.mdb"
  chmod u+w "$work/a.mdb"
  /usr/bin/time -f "run $k: %e s wall, %U s user + %S s system CPU, %M KiB peak memory" \
    "$attrdb" encode-all "$work/a.mdb" </dev/null 2>"$work/time" >"$work/out"
  echo "$(tail -n 1 "$work/time"), $(cat "$work/out"), file now $(stat -c %s "$work/a.mdb") bytes"
done
"$attrdb" check "$work/a.mdb"
