#!/usr/bin/env bash
# Runs the README's attrdb examples as a new user would copy them: every
# fenced sh block that starts with "attrdb" or "printf", line by line, in
# order, in an empty folder holding a copy of sample/, with attrdb on the
# PATH. Each line must succeed.
# Usage: readme_examples_test.sh README ATTRDB SAMPLE_FOLDER WORK_FOLDER
set -uo pipefail
readme=$1
attrdb=$2
sample=$3
work=$4/readme_examples
rm -rf "$work"
mkdir -p "$work/bin" "$work/try"
ln -s "$attrdb" "$work/bin/attrdb"
cp -r "$sample" "$work/try/sample"
export PATH="$work/bin:$PATH"
cd "$work/try" || exit 1

mapfile -t lines < <(awk '
  /^```sh$/ { block = 1; first = 1; next }
  /^```/ { block = 0; next }
  block && first { first = 0; take = ($0 ~ /^(attrdb|printf) /) }
  block && take && NF { print }' "$readme")
[ "${#lines[@]}" -ge 20 ] || { echo "only ${#lines[@]} example lines found"; exit 1; }

failed=0
for line in "${lines[@]}"; do
  if ! bash -c "$line" >out.txt 2>err.txt; then
    echo "FAILED: $line"
    cat out.txt err.txt
    failed=$((failed + 1))
  fi
done
echo "${#lines[@]} example lines, $failed failed"
[ "$failed" = 0 ]
