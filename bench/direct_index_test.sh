#!/usr/bin/env bash
# direct_index answers byte for byte as `attrdb lookup` does, on a database
# whose fields need escaping (two-byte entries) and on one with more answers
# than two bytes can number, for input in every form a file of numbers has:
# BOM, CRLF, blank lines, +86 and dashes, junk, bytes that are not UTF-8, a
# line longer than the read block, a last line without LF.
# Usage: bench/direct_index_test.sh ATTRDB DIRECT_INDEX
set -euo pipefail
attrdb="$(realpath "$1")"
direct_index="$(realpath "$2")"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
cd "$work"

{
  echo "head,province,city,postal_code,area_code,card_type"
  printf '%s\n' '1380013,"北\京","a\tb",100000,10,"移,动"'
  echo "1390000,广东,深圳,518000,,电信"
} > escapes.csv
awk 'BEGIN { print "head,province,city,postal_code,area_code,card_type"
  for (i = 0; i < 70000; i++)
    printf "%d,省%d,市%d,%06d,%d,移动\n", 1500000 + i, i % 31, i, i, i }' > wide.csv

{
  printf '\xEF\xBB\xBF13800138000\r\n'
  printf '13900001111\n\n \t\n+86 138-0013-8000\n0086 15000012345\n8613800138000\n'
  printf 'n/a\n1380013800\n23800138000\n\xFF\xFEjunk\n\\back\\slash\n'
  for i in 0 1 69999 70000; do printf '%d1234\n' $((1500000 + i)); done
  head -c 1500000 /dev/zero | tr '\0' 'x'
  printf '\n13800138000'
} > numbers.txt

for name in escapes wide; do
  "$attrdb" import "$name.csv" --to "$name.mdb" -q
  "$direct_index" build "$name.mdb" "$name.bin" > /dev/null
  status=0
  "$attrdb" lookup --db "$name.mdb" < numbers.txt > expected.tsv 2> /dev/null || status=$?
  [[ $status -eq 1 ]] || { echo "$name: attrdb lookup exited $status" >&2; exit 1; }
  status=0
  "$direct_index" lookup "$name.bin" < numbers.txt > answers.tsv 2> errors.txt || status=$?
  [[ $status -eq 1 ]] || { echo "$name: direct_index lookup exited $status" >&2; exit 1; }
  cmp expected.tsv answers.tsv || { echo "$name: the answers differ" >&2; exit 1; }
  grep -q "5 lines were not a mobile number" errors.txt ||
    { echo "$name: stderr: $(cat errors.txt)" >&2; exit 1; }
done
# The case above that makes four-byte entries, and an answer past 65535.
[[ "$("$direct_index" build wide.mdb wide.bin)" == "70000 answers, 70000 heads, 4-byte entries" ]]
grep -q $'^15699991234\tfound\t省1\t市69999\t' answers.tsv

# A table file that is not whole, or whose entries point past the answers, is
# refused rather than read out of bounds; so is a database that is not one.
size=$(stat -c %s escapes.bin)
head -c $((size - 1)) escapes.bin > short.bin
{ printf 'attrdix0'; tail -c +9 escapes.bin; } > magic.bin
cp escapes.bin entry.bin
printf '\xff\xff' | dd of=entry.bin bs=1 seek=$((size - 2)) conv=notrunc status=none
for bad in short magic entry; do
  status=0
  "$direct_index" lookup "$bad.bin" < numbers.txt > /dev/null 2> errors.txt || status=$?
  if [[ $status -ne 1 ]] || ! grep -q "cannot read $bad.bin" errors.txt; then
    echo "$bad.bin: exit $status, $(cat errors.txt)" >&2
    exit 1
  fi
done
status=0
"$direct_index" build numbers.txt never.bin 2> errors.txt || status=$?
[[ $status -eq 1 && ! -e never.bin ]] || { echo "build of no database: exit $status" >&2; exit 1; }
echo "direct_index matches attrdb lookup"
