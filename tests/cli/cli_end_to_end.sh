#!/usr/bin/env bash
# tessavel-cli as a user runs it: cli_end_to_end.sh COMMAND... (e.g. "wine tessavel-cli.exe").
set -u
source "$(dirname "$0")/script_start.sh" "$@"
check() {  # check DESCRIPTION EXPECTED-STATUS ACTUAL-STATUS
    if [[ $2 != "$3" ]]; then fail "$1: exit $3, expected $2"; else ok "$1"; fi
}
run() { "${cli[@]}" "$@" </dev/null >out.txt 2>err.txt; }

head -c 200000 /dev/urandom > random.bin
printf 'marigold\n' > pw.txt
printf 'wrong\n' > bad.txt
seq 1 20000 > text.txt

run encrypt --password-file pw.txt text.txt text.tsv; check "encrypt" 0 $?
run decrypt --password-file pw.txt text.tsv text.back; check "decrypt" 0 $?
cmp -s text.txt text.back; check "round trip gives the same bytes" 0 $?

run decrypt --password-file bad.txt text.tsv wrong.out; check "wrong password" 1 $?
[[ ! -e wrong.out ]]; check "wrong password creates nothing" 0 $?

cp text.txt existing; run encrypt --password-file pw.txt random.bin existing; check "existing DEST refused" 2 $?
cmp -s text.txt existing; check "refused DEST unchanged" 0 $?
run encrypt --force --password-file pw.txt random.bin existing; check "--force replaces DEST" 0 $?

# The password from standard input, no compression, other keys.
"${cli[@]}" encrypt --no-compression --add-key 1 --mult-key 1 random.bin r.tsv <pw.txt >/dev/null 2>&1
check "password from standard input" 0 $?
[[ $(stat -c %s r.tsv) == 200008 ]]; check "uncompressed file is 8 bytes longer" 0 $?
"${cli[@]}" decrypt --no-compression --add-key 1 --mult-key 1 r.tsv r.back <pw.txt >/dev/null 2>&1
check "decrypt with the same keys" 0 $?
cmp -s random.bin r.back; check "uncompressed round trip" 0 $?
run decrypt --no-compression --password-file pw.txt r.tsv r2.back; check "other keys do not fit" 1 $?

# In place, without --force.
cp text.txt inplace.txt
run encrypt --password-file pw.txt inplace.txt inplace.txt; check "encrypt in place" 0 $?
run decrypt --password-file pw.txt inplace.txt ./inplace.txt; check "decrypt in place by another name" 0 $?
cmp -s text.txt inplace.txt; check "in-place round trip" 0 $?
ls | grep -q '___' && fail "work files left: $(ls)"

run encrypt --password secret text.txt x.tsv; check "password on the command line refused" 2 $?
run encrypt --password-file pw.txt missing.txt x.tsv; check "missing source" 3 $?
grep -q "File not found" err.txt; check "missing source message" 0 $?
run bogus; check "unknown command" 2 $?
run --version; check "--version" 0 $?
printf '1234567890123\n' > long.txt
run encrypt --password-file long.txt text.txt y.tsv; check "13-character password refused" 2 $?

echo "$failures failed"
exit $((failures != 0))
