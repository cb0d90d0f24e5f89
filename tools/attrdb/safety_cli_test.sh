#!/usr/bin/env bash
# attrdb keeps data whole whatever the path, the disk or the input, and
# behaves as a Unix tool: usage errors, "-" for the standard streams, --db
# everywhere, messages in UTF-8 that name the file.
# Usage: safety_cli_test.sh ATTRDB SAMPLE_FOLDER WORK_FOLDER
set -uo pipefail
attrdb=$1
sample=$2
work=$3/safety_cli
rm -rf "$work"
mkdir -p "$work"
cd "$work" || exit 1

failures=0
fail() {
  echo "FAILED: $*"
  failures=$((failures + 1))
}
# run ARGS...: sets out, err and code.
run() {
  out=$("$attrdb" "$@" 2>"$work/err.txt")
  code=$?
  err=$(cat "$work/err.txt")
}
# expect WHAT CODE PATTERN: the last run exited CODE and stdout+stderr match PATTERN.
expect() {
  if [ "$code" != "$2" ] || ! grep -qE -- "$3" <<<"$out$err"; then
    fail "$1: exit $code (want $2), output [$out] [$err] lacks /$3/"
  fi
}

"$attrdb" import "$sample" --to base.mdb -q || exit 1
size=$(stat -c %s base.mdb)

# A replace through a symbolic link writes the file it names, keeps the
# link, the mode and the group, and does not grow the file.
mkdir real
cp base.mdb real/db.mdb
ln -s real/db.mdb link.mdb
chmod 640 real/db.mdb
chgrp nogroup real/db.mdb 2>/dev/null
group=$(stat -c %G real/db.mdb)
for i in 1 2 3; do
  run import "$sample" --to link.mdb -q
  expect "import through a link ($i)" 0 ""
done
[ -L link.mdb ] || fail "the link was replaced by a file"
[ "$(stat -c %a:%G:%s real/db.mdb)" = "640:$group:$size" ] ||
  fail "replace changed the file: $(stat -c %a:%G:%s real/db.mdb), want 640:$group:$size"
# Temporary files of writers that are gone are removed by the next one.
touch real/db.mdb.new-2147483646
run import "$sample" --to link.mdb -q
[ -e real/db.mdb.new-2147483646 ] && fail "a dead writer's temporary file stayed"
[ -e link.mdb-journal ] && fail "a journal named after the link"

# dump -o never overwrites a database; -o - is standard output.
cp base.mdb self.mdb
run dump --db self.mdb -o self.mdb
expect "dump onto its input" 1 "self.mdb: would overwrite a database; nothing written"
run dump --db self.mdb -o base.mdb
expect "dump onto another database" 1 "would overwrite a database"
cmp -s self.mdb base.mdb || fail "dump -o changed a database"
run dump --db self.mdb -o -
expect "dump -o -" 0 "^head,province,city"
run dump --db self.mdb -o heads.csv
expect "dump -o FILE" 0 ""
[ "$(ls | grep -c 'heads.csv.new-')" = 0 ] || fail "dump left its temporary file"

# Every subcommand that writes reports a full disk.
if [ -w /dev/full ]; then
  for command in "tables base.mdb" "schema base.mdb" "export base.mdb numindex" \
      "sql base.mdb 'select * from city'" "info base.mdb" "info --format json base.mdb" \
      "check base.mdb" "check --data base.mdb" "encode 1380013" "decode 048254120249091211081" \
      "lookup --db base.mdb 13800138000" "list --db base.mdb 北京 北京" "dump --db base.mdb" \
      "dump --db base.mdb --format phonedat" "import --merge heads.csv --to self.mdb --dry-run" \
      "recover base.mdb" "help" "--help"; do
    eval "set -- $command"
    "$attrdb" "$@" >/dev/full 2>err.txt
    code=$?
    [ "$code" != 0 ] && grep -q "No space left on device" err.txt ||
      fail "$command into /dev/full: exit $code, $(cat err.txt)"
  done
fi

# A journal left by a writer killed after it appended a page: check reports
# it, recover rolls it back (cutting the file to its size before), and the
# file checks sound again.
cp base.mdb crashed.mdb
head -c 4096 /dev/zero >>crashed.mdb
le64() { local v=$1 i; for i in 0 1 2 3 4 5 6 7; do printf "\\x$(printf %02x $(((v >> (8 * i)) & 255)))"; done; }
{
  printf 'ATJETJN1\x00\x10\x00\x00\x00\x00\x00\x00'
  le64 "$size"
  printf '\xc5\x9d\x1c\x81\x00\x00\x00\x00'
} >crashed.mdb-journal
run check crashed.mdb
expect "check beside a journal" 1 "crashed.mdb-journal: a journal left by an interrupted change: 0 original pages and the size of $size bytes"
expect "check's advice" 1 "attrdb recover crashed.mdb"
run recover crashed.mdb
expect "recover" 0 "crashed.mdb: rolled back an interrupted change"
[ -e crashed.mdb-journal ] && fail "recover left the journal"
[ "$(stat -c %s crashed.mdb)" = "$size" ] || fail "recover did not cut the file back"
run check crashed.mdb
expect "check after recover" 0 "no problems found"
run recover crashed.mdb
expect "recover with no journal" 0 "nothing to recover"

# A phone.dat cut at an entry boundary is warned about; a --prune removing
# more than a tenth of the heads needs --force (the dry run says so).
"$attrdb" dump --db base.mdb --format phonedat -o whole.dat 2>/dev/null
index=$(od -An -tu4 -j4 -N4 whole.dat | tr -d ' ')
entries=$((($(stat -c %s whole.dat) - index) / 9))
head -c $((index + entries / 3 * 9)) whole.dat >cut.dat
run import cut.dat --to cut.mdb -q
expect "import of a cut phone.dat" 0 "warning: cut.dat: the last [0-9]+ records .* the index looks cut short"
cp base.mdb pruned.mdb
run import --merge cut.dat --to pruned.mdb --prune --dry-run
expect "dry run of a large prune" 0 "heads would be removed, more than a tenth: the merge needs --force"
run import --merge cut.dat --to pruned.mdb --prune
expect "large prune" 1 "the merge would remove [0-9]+ of the [0-9]+ heads, more than a tenth.*--force"
cmp -s pruned.mdb base.mdb || fail "a refused prune changed the file"
run import --merge cut.dat --to pruned.mdb --prune --force -q
expect "large prune with --force" 0 ""

# "-" and pipes: standard input for import and lookup.
run import - --to piped.mdb -q <heads.csv
expect "import of a CSV from standard input" 0 ""
"$attrdb" import /dev/stdin --to piped-dat.mdb -q < <(cat whole.dat) 2>err.txt ||
  fail "import of a phone.dat through a pipe: $(cat err.txt)"
run dump --db piped.mdb
[ "$out" = "$(cat heads.csv)" ] || fail "the piped import answers differently"
out=$(printf '13800138000\n\n   \n\xb1\xb1\n' | "$attrdb" lookup --db base.mdb --no-header - 2>err.txt)
code=$?
[ "$(wc -l <<<"$out")" = 2 ] && grep -q $'\tnot-utf8' <<<"$out" && grep -q "1 line was not UTF-8" err.txt ||
  fail "lookup -: blank lines skipped and a line that is not UTF-8 reported: [$out] [$(cat err.txt)]"

# Usage errors exit 2 and point to the help; help and --version anywhere.
run nosuch
expect "unknown subcommand" 2 "attrdb: no subcommand nosuch"
run lookup --bogus
expect "unknown option" 2 'see "attrdb lookup --help"'
run export base.mdb
expect "missing argument" 2 "attrdb: missing arguments"
run help lookup
expect "help lookup" 0 "Usage: lookup"
run tables --version
expect "--version after a subcommand" 0 "^attrdb [0-9]"
run --help
expect "exit codes in the help" 0 "2 a usage error"

# --db on every subcommand that reads one database, FILE still accepted,
# and attrdata.mdb in the working folder by default.
cp base.mdb attrdata.mdb
for command in "tables" "schema city" "export city" "sql 'select shi from city'" "info" \
    "check" "check --data" "index add city youbian --name by_postal_code"; do
  eval "set -- $command"
  run "$@" --db base.mdb
  expect "$1 --db" 0 ""
  run "$@"
  expect "$1 on the default database" 0 ""
done
run schema base.mdb city
expect "schema FILE TABLE" 0 "TABLE city"
run encode-all --db base.mdb
expect "encode-all --db" 0 "0 rows changed"

# Messages in UTF-8 that name the right file. A missing database or input
# file, whatever subcommand reads it and however it is given, fails (exit 1)
# with its name as given, byte for byte, in a message that is valid UTF-8.
mkdir empty
cd empty || exit 1
db=不存在.mdb
for command in "tables $db" "tables --db $db" "schema $db" "schema --db $db city" \
    "export $db city" "export --db $db city" "index add $db city youbian" \
    "index add --db $db city youbian" "sql $db 'select * from city'" \
    "sql --db $db 'select * from city'" "encode-all $db" "encode-all --db $db" \
    "info $db" "info --db $db" "check $db" "check --db $db" "check --data $db" \
    "recover $db" "recover --db $db" "lookup --db $db 13800138000" "list --db $db 北京 北京" \
    "dump --db $db" "dump --db $db --format phonedat -o x.dat" \
    "import --merge ../heads.csv --to $db" "import --merge ../heads.csv --to $db --dry-run" \
    "import 不存在.csv --to x.mdb" "import --merge 不存在.csv --to ../base.mdb"; do
  eval "set -- $command"
  run "$@"
  name=$db
  [[ $command == *不存在.csv* ]] && name=不存在.csv
  [ "$code" = 1 ] && grep -qF -- "$name" <<<"$err" &&
    iconv -f UTF-8 -t UTF-8 <<<"$err" >/dev/null 2>&1 ||
    fail "$command: exit $code, standard error [$err] does not name $name in UTF-8"
done
cd .. || exit 1
mkdir folder.mdb
run tables folder.mdb
expect "a folder" 1 "folder.mdb: is a folder, not a database file"
run import heads.csv --to nosuchdir/x.mdb
expect "a missing folder" 1 "nosuchdir: no such folder"
[ "$(ls | grep -c '\.new-')" = 0 ] || fail "a temporary file left"
printf 'head,province,city,postal_code,area_code,card_type\n1380013,\xb1\xb1\xbe\xa9,\xb1\xb1\xbe\xa9,100000,010,x\n' >gbk.csv
run import gbk.csv --to gbk.mdb
expect "a GBK CSV" 1 "gbk.csv:2: province is not UTF-8 \(is the file GBK\? convert it with iconv -f GBK -t UTF-8\)"
run import whole.dat --format csv --to x.mdb
expect "a phone.dat read as CSV" 1 "looks like a phone.dat file"
run sql base.mdb "select * from nope"
expect "sql error" 1 "^attrdb: The database engine cannot find"
run check missing.mdb
[ -z "$out" ] && [ "$code" = 1 ] || fail "check of a missing file wrote to standard output: [$out]"

echo "$failures failed"
[ "$failures" = 0 ]
