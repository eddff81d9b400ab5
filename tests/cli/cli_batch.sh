#!/usr/bin/env bash
# tessavel-cli with many files: --in-place, --output-dir and check; one
# file's failure must not stop the others or touch anything else:
#   cli_batch.sh COMMAND...   (e.g. "wine tessavel-cli.exe")
set -u
source "$(dirname "$0")/script_start.sh" "$@"
wine=false
[[ $(basename "${cli[0]}") == wine* ]] && wine=true
expect() {  # expect DESCRIPTION EXPECTED-STATUS ACTUAL-STATUS
    if [[ $2 != "$3" ]]; then fail "$1: exit $3, expected $2 ($(cat err.log))"; else ok "$1"; fi
}
# as_user COMMAND...: natively as an ordinary user, whom a read-only file
# stops (Wine keeps to its own user).
as_user() {
    if [[ $(id -u) == 0 ]] && ! $wine; then setpriv --reuid=65534 --regid=65534 --clear-groups -- "$@"; else "$@"; fi
}
snapshot() { find . -path ./out -prune -o -type f ! -name '*.log' -print0 | sort -z | xargs -0r sha1sum; }

printf 'marigold\n' > pw.txt
printf 'other\n' > other.txt
for n in a b r w; do seq "${#n}" 40000 | sed "s/^/$n /" > "$n.txt"; done
for n in a b r; do "${cli[@]}" encrypt --quiet --password-file pw.txt "$n.txt" "$n.tsv" </dev/null || fail "encrypt $n"; done
"${cli[@]}" encrypt --quiet --password-file other.txt w.txt w.tsv </dev/null || fail "encrypt w"

# One file cannot be opened for writing: read-only for an ordinary user
# (natively), a folder under Wine, where root is not stopped by read-only.
unwritable() {
    if $wine; then rm "$1" && mkdir "$1"; else chmod a-w "$1"; fi
}
chmod 777 . && chmod 666 ./*

# --- Decrypting in place: two good files, a missing, a wrong-password and an
# unwritable one.  The good ones are done, nothing else changes, exit 3.
cp -p r.tsv r.keep
unwritable r.tsv
before=$(snapshot | grep -v -e ' ./a.tsv$' -e ' ./b.tsv$')
as_user "${cli[@]}" decrypt --password-file pw.txt --in-place a.tsv m.tsv w.tsv r.tsv b.tsv </dev/null >out.log 2>err.log
expect "a batch with failures" 3 $?
cmp -s a.txt a.tsv && cmp -s b.txt b.tsv; expect "the good files are done" 0 $?
[[ $(snapshot | grep -v -e ' ./a.tsv$' -e ' ./b.tsv$') == "$before" ]]; expect "nothing else changed" 0 $?
grep -q "m.tsv.*File not found" err.log && grep -q "r.tsv.*File access denied" err.log &&
    grep -q "password does not fit w.tsv" err.log
expect "each failure is named with its reason" 0 $?
ls -A | grep -q '___' && fail "work files left: $(ls -A)"

# Only a password that does not fit: exit 1; --output-dir puts the results
# into the folder under their own names.
mkdir out
"${cli[@]}" encrypt --quiet --password-file pw.txt --in-place a.tsv b.tsv </dev/null 2>err.log || fail "encrypt again"
"${cli[@]}" decrypt --password-file pw.txt --output-dir out a.tsv w.tsv b.tsv </dev/null >out.log 2>err.log
expect "only a wrong password" 1 $?
cmp -s a.txt out/a.tsv && cmp -s b.txt out/b.tsv && [[ $(ls -A out | wc -l) == 2 ]]
expect "results in the folder, none for the wrong password" 0 $?

# --- Refused before any work, before the password is asked (none is given).
mkdir x y && cp a.txt x/s.txt && cp b.txt y/s.txt
before=$(snapshot; ls -AR)
"${cli[@]}" encrypt --output-dir out x/s.txt y/s.txt </dev/null >out.log 2>err.log
expect "two sources of one name" 2 $?
grep -q "x/s.txt and y/s.txt would both go to out/s.txt" err.log; expect "the names are told" 0 $?
"${cli[@]}" decrypt --output-dir out b.txt a.tsv </dev/null >out.log 2>err.log
expect "an existing result without --force" 2 $?
grep -q "out/a.tsv exists: use --force" err.log; expect "the existing result is named" 0 $?
"${cli[@]}" encrypt --in-place a.txt ./a.txt </dev/null >out.log 2>err.log
expect "one file twice in place" 2 $?
"${cli[@]}" encrypt --output-dir nowhere a.txt </dev/null >out.log 2>err.log
expect "an output folder that is none" 2 $?
[[ $(snapshot; ls -AR) == "$before" ]]; expect "refusals change nothing" 0 $?
"${cli[@]}" decrypt --force --password-file pw.txt --output-dir out a.tsv </dev/null >out.log 2>err.log
expect "--force replaces the result" 0 $?

# --- check: reads only, one line a file on standard output.
"${cli[@]}" check --password-file pw.txt a.tsv b.tsv </dev/null >out.log 2>err.log
expect "check, every file fits" 0 $?
printf 'a.tsv: the password fits\nb.tsv: the password fits\n' | cmp -s - out.log; expect "check says so" 0 $?
before=$(snapshot)
"${cli[@]}" check --password-file pw.txt a.tsv w.tsv a.txt </dev/null >out.log 2>err.log
expect "check, some do not fit" 1 $?
grep -qx "w.tsv: the password does not fit" out.log && grep -qx "a.txt: the password does not fit" out.log
expect "check names them" 0 $?
"${cli[@]}" check --password-file pw.txt a.tsv m.tsv </dev/null >out.log 2>err.log
expect "check, a missing file" 3 $?
if ! $wine; then
    as_user "${cli[@]}" check --password-file pw.txt r.tsv </dev/null >out.log 2>err.log
    expect "check of a read-only file" 0 $?
fi
[[ $(snapshot) == "$before" ]]; expect "check writes nothing" 0 $?

# --- No progress line when standard error is not a terminal, even for a
# file that takes seconds.
head -c 24000000 /dev/urandom > big.bin
"${cli[@]}" encrypt --password-file pw.txt --in-place big.bin </dev/null >out.log 2>err.log
expect "a long run" 0 $?
[[ ! -s err.log && ! -s out.log ]]; expect "no progress off a terminal" 0 $?

echo "$failures failed"
exit $((failures != 0))
