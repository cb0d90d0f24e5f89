#!/usr/bin/env bash
# attrdb lookup as a co-process: a program writes one number and reads its
# answer before writing the next. Each answer must come back while attrdb
# still waits for more input, in every format, from a file with an index on
# the heads and from one without; and it must be the answer the same number
# gets as an argument.
# Usage: lookup_coprocess_test.sh ATTRDB SAMPLE_FOLDER WORK_FOLDER
set -uo pipefail
attrdb=$1
sample=$2
work=$3/lookup_coprocess
rm -rf "$work"
mkdir -p "$work"
cd "$work" || exit 1

failures=0
fail() {
  echo "FAILED: $*"
  failures=$((failures + 1))
}

"$attrdb" import "$sample" --to indexed.mdb -q || exit 1
"$attrdb" import "$sample" --to scanned.mdb -q --no-indexes || exit 1

# Heads of the sample, written the ways people write them, one head it does
# not hold, and lines that are no number (a blank line gets no answer).
numbers=(13006300000 "+86 130-0631-1234" 13800138000 19999999999 hello 13006320001)

for db in indexed.mdb scanned.mdb; do
  for format in tsv csv json; do
    coproc LOOKUP { exec "$attrdb" lookup --db "$db" --format "$format" 2>/dev/null; }
    if [ "$format" != json ]; then
      echo "${numbers[0]}" >&"${LOOKUP[1]}"
      IFS= read -r -t 20 header <&"${LOOKUP[0]}" || { fail "$db $format: no header"; continue; }
      pending=1
    else
      pending=0
    fi
    for number in "${numbers[@]}"; do
      if [ "$pending" -eq 0 ]; then
        echo "$number" >&"${LOOKUP[1]}"
        [ "$number" = hello ] && echo "" >&"${LOOKUP[1]}"
      fi
      pending=0
      if ! IFS= read -r -t 20 answer <&"${LOOKUP[0]}"; then
        fail "$db $format: no answer to $number while attrdb waits for input"
        break
      fi
      expected=$("$attrdb" lookup --db "$db" --format "$format" --no-header "$number" 2>/dev/null)
      [ "$answer" = "$expected" ] || fail "$db $format $number: [$answer], want [$expected]"
    done
    exec {LOOKUP[1]}>&-
    wait "$LOOKUP_PID"
    code=$?
    [ "$code" -eq 1 ] || fail "$db $format: exit $code after a line that is no number (want 1)"
  done
done

if [ "$failures" -gt 0 ]; then
  echo "$failures failure(s)"
  exit 1
fi
echo "lookup as a co-process: every answer came while attrdb waited for the next line"
