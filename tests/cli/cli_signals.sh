#!/usr/bin/env bash
# tessavel-cli stopped by SIGINT, SIGTERM and SIGHUP in the middle of a file:
# no work file left, every file as it was, exit 128 + the signal; a batch
# says which files were done.  Also the progress line on a terminal.
#   cli_signals.sh COMMAND...   (e.g. "wine tessavel-cli.exe")
# Wine turns SIGINT into the console's Ctrl+C event; SIGTERM and SIGHUP end
# Wine itself, as SIGKILL would, so they are tried natively only.
set -u
source "$(dirname "$0")/script_start.sh" "$@"
wine=false
[[ $(basename "${cli[0]}") == wine* ]] && wine=true
skip() { echo "skipped: $*"; }
set -m  # background runs in their own process groups, SIGINT not ignored
expect() {  # expect DESCRIPTION EXPECTED ACTUAL
    if [[ $2 != "$3" ]]; then fail "$1: $3, expected $2 ($(cat err.log))"; else ok "$1"; fi
}

printf 'marigold\n' > pw.txt
# Noise does not compress: the first pass takes seconds.
head -c 30000000 /dev/urandom > big.bin
seq 1 20000 > small.txt
cp big.bin big.keep
cp small.txt small.keep

# stop SIGNAL CLI-ARGS...: starts a run, waits until big.bin's work file
# has grown past what any small file makes, sends SIGNAL, waits for the end.
stop() {
    local signal=$1 i
    shift
    "${cli[@]}" "$@" </dev/null >out.log 2>err.log &
    local pid=$!
    for ((i = 0; i < 2000; ++i)); do
        [[ -n $(find . -maxdepth 1 -name '___*' -size +1M) ]] && break
        sleep 0.01
    done
    kill -s "$signal" "$pid"
    wait "$pid"
    status=$?
}
left_alone() {  # left_alone DESCRIPTION: no work file, big.bin as it was
    if compgen -G '___*' >/dev/null; then
        fail "$1: work files left: $(ls -A)"
    elif ! cmp -s big.bin big.keep; then
        fail "$1: big.bin changed"
    else
        ok "$1: nothing left, nothing changed"
    fi
}

stop INT encrypt --password-file pw.txt big.bin big.tsv
expect "SIGINT" 130 "$status"
left_alone "SIGINT"
[[ ! -e big.tsv ]]; expect "no destination made" 0 $?

if $wine; then
    skip "SIGTERM and SIGHUP: not Windows events"
else
    stop TERM encrypt --password-file pw.txt big.bin big.bin
    expect "SIGTERM, in place" 143 "$status"
    left_alone "SIGTERM, in place"

    echo existing > big.tsv
    stop HUP encrypt --force --password-file pw.txt big.bin big.tsv
    expect "SIGHUP, over an existing destination" 129 "$status"
    left_alone "SIGHUP"
    [[ $(cat big.tsv) == existing ]]; expect "the existing destination stays" 0 $?
fi

# A batch: the first file done, the second stopped, the third never begun.
cp small.keep third.txt && rm -f big.tsv
stop INT encrypt --password-file pw.txt --in-place small.txt big.bin third.txt
expect "a batch stopped" 130 "$status"
left_alone "a batch stopped"
cmp -s small.keep third.txt; expect "the file after it is untouched" 0 $?
"${cli[@]}" decrypt --quiet --password-file pw.txt small.txt small.back </dev/null && cmp -s small.keep small.back
expect "the file before it is done" 0 $?
grep -q "big.bin was left as it was" err.log && grep -q "1 of 3 files done" err.log &&
    grep -qx "  small.txt" err.log && grep -q "1 not started" err.log
expect "the run says which files were done" 0 $?

# The progress line on a terminal: the file, the pass, per cent, rate and
# time left, cleared at the end.  (Wine draws its console with its own
# control codes: the cursor hidden and shown, lines cleared by ESC [K.)
mkdir out
typescript=$(script -qec "${cli[*]@Q} encrypt --password-file pw.txt --output-dir $PWD/out small.txt big.bin" \
    /dev/null </dev/null 2>&1) || fail "run on a terminal: $typescript"
typescript=${typescript//$'\e[?25l'/}
typescript=${typescript//$'\e[?25h'/}
if [[ $typescript =~ file\ 2\ of\ 2:\ compressing\ +[0-9]+%\ +[0-9.]+\ MB/s\ +[0-9]+:[0-9]{2}\ left ]] &&
    [[ $typescript =~ $'\r'(\ +$'\r'|$'\e'\[K)$ ]]; then
    ok "progress on a terminal"
else
    fail "progress on a terminal: $(printf '%q' "$typescript" | tail -c 300)"
fi

echo "$failures failed"
exit $((failures != 0))
