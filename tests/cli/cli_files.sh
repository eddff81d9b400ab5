#!/usr/bin/env bash
# tessavel-cli with files it may not or cannot use, one file under other
# names, and names of every script and length:
#   cli_files.sh COMMAND...   (e.g. "wine tessavel-cli.exe")
# Every refusal must exit 3 with a message naming the files, and change
# nothing; another name of the source is worked on in place.
set -u
export LC_ALL=C.UTF-8  # the names below are UTF-8
source "$(dirname "$0")/script_start.sh" "$@"
wine=false
[[ $(basename "${cli[0]}") == wine* ]] && wine=true
skip() { echo "skipped: $*"; }

# Everything under a folder but the logs: names, kinds, modes and contents.
state() {
    (cd "$1" && find . ! -name '*.log' -printf '%p %y %m %l\n' | sort &&
        find . -type f ! -name '*.log' -print0 | sort -z | xargs -0r sha1sum)
}

# as_user COMMAND...: as an ordinary user, whom permission bits stop (the
# tests may run as root).
as_user() {
    if [[ $(id -u) == 0 ]]; then
        setpriv --reuid=65534 --regid=65534 --clear-groups -- "$@"
    else
        "$@"
    fi
}

# refused DESCRIPTION FOLDER TEXT CLI-ARGS...: exit 3, TEXT and "cannot" on
# stderr, FOLDER unchanged.
refused() {
    local what=$1 folder=$2 text=$3 before status
    shift 3
    before=$(state "$folder")
    "$@" </dev/null >out.log 2>err.log
    status=$?
    if [[ $status != 3 ]]; then
        fail "$what: exit $status, expected 3 ($(cat err.log))"
    elif ! grep -q "cannot .*: $text" err.log; then
        fail "$what: message \"$(cat err.log)\", expected one with \"$text\""
    elif [[ $(state "$folder") != "$before" ]]; then
        fail "$what: the folder changed"
    else
        ok "$what"
    fi
}

# round_trip DESCRIPTION SOURCE SECRET BACK: encrypt and decrypt, the same bytes back.
round_trip() {
    local what=$1 source=$2 secret=$3 back=$4
    if ! "${cli[@]}" encrypt --quiet --password-file pw.txt "$source" "$secret" </dev/null >/dev/null 2>err.log; then
        fail "$what: encrypt: $(cat err.log)"
    elif ! "${cli[@]}" decrypt --quiet --password-file pw.txt "$secret" "$back" </dev/null >/dev/null 2>err.log; then
        fail "$what: decrypt: $(cat err.log)"
    elif ! cmp -s plain.txt "$back"; then
        fail "$what: other bytes came back"
    else
        ok "$what"
    fi
}

printf 'marigold\n' > pw.txt
seq 1 30000 > plain.txt
"${cli[@]}" encrypt --quiet --password-file pw.txt plain.txt secret.tsv </dev/null || fail "encrypt"

# --- Refusals ---------------------------------------------------------------
mkdir folder
refused "source is a folder" . "File access denied" "${cli[@]}" encrypt --password-file pw.txt folder out.tsv
refused "destination is a folder" . "File access denied" "${cli[@]}" encrypt --password-file pw.txt plain.txt folder
refused "decrypting into a folder" . "File access denied" "${cli[@]}" decrypt --password-file pw.txt secret.tsv folder
missing_folder="File not found"
$wine && missing_folder="Invalid filename"  # ERROR_PATH_NOT_FOUND, 3
refused "missing folder" . "$missing_folder" "${cli[@]}" encrypt --password-file pw.txt plain.txt no/such.tsv

if $wine; then
    skip "read-only files and folders: Wine running as root ignores them"
else
    mkdir user
    cp plain.txt secret.tsv pw.txt user/
    cp plain.txt user/locked.txt
    cp secret.tsv user/locked.tsv
    echo existing > user/existing.tsv
    mkdir user/closed
    echo stays > user/closed/existing.tsv
    chown -R 65534:65534 user 2>/dev/null || true
    chmod a-w user/locked.txt user/locked.tsv user/closed
    ucli=(as_user "${cli[@]}")
    p=(--password-file user/pw.txt)
    refused "read-only source" . "File access denied" "${ucli[@]}" encrypt "${p[@]}" user/locked.txt user/new.tsv
    refused "read-only source, decrypting" . "File access denied" "${ucli[@]}" decrypt "${p[@]}" user/locked.tsv user/new.txt
    refused "read-only source in place" . "File access denied" "${ucli[@]}" encrypt "${p[@]}" user/locked.txt user/locked.txt
    refused "read-only destination" . "File access denied" "${ucli[@]}" encrypt --force "${p[@]}" user/plain.txt user/locked.tsv
    refused "unwritable folder" . "File access denied" "${ucli[@]}" encrypt "${p[@]}" user/plain.txt user/closed/new.tsv
    refused "unwritable folder, existing destination" . "File access denied" \
        "${ucli[@]}" encrypt --force "${p[@]}" user/plain.txt user/closed/existing.tsv
    refused "unwritable folder, decrypting" . "File access denied" "${ucli[@]}" decrypt "${p[@]}" user/secret.tsv user/closed/new.txt
    chmod u+w user/closed
fi

# A link planted where a work file goes is removed, not followed: the run
# succeeds and the file it pointed to stays as it was.
if $wine; then
    skip "links at work-file names: Wine makes no symbolic links"
else
    mkdir planted
    echo "must stay" > victim.txt
    ln -s ../victim.txt planted/___.~--
    ln -s ../victim.txt planted/___.~~-
    "${cli[@]}" encrypt --quiet --password-file pw.txt plain.txt planted/x.tsv </dev/null 2>err.log || fail "planted links: $(cat err.log)"
    if [[ $(cat victim.txt) != "must stay" || -e planted/___.~-- || -L planted/___.~-- || -L planted/___.~~- ]]; then
        fail "planted links were followed or left"
    elif ! "${cli[@]}" decrypt --quiet --password-file pw.txt planted/x.tsv planted/back.txt </dev/null ||
        ! cmp -s plain.txt planted/back.txt; then
        fail "planted links: the result does not decrypt"
    else
        ok "planted links not followed"
    fi
fi

# --- One file under other names ----------------------------------------------
# in_place DESCRIPTION SOURCE-NAME DEST-NAME: the file x.txt in place by two
# names, without --force; never emptied, the same bytes back.
in_place() {
    local what=$1 a=$2 b=$3
    if ! "${cli[@]}" encrypt --quiet --password-file pw.txt "$a" "$b" </dev/null >/dev/null 2>err.log; then
        fail "$what: encrypt: $(cat err.log)"
    elif [[ $(stat -L -c %s x.txt) -le 8 ]] || cmp -s plain.txt x.txt; then
        fail "$what: x.txt was not encrypted ($(stat -L -c %s x.txt) bytes)"
    elif ! "${cli[@]}" decrypt --quiet --password-file pw.txt "$b" "$a" </dev/null >/dev/null 2>err.log; then
        fail "$what: decrypt: $(cat err.log)"
    elif ! cmp -s plain.txt x.txt; then
        fail "$what: other bytes came back"
    elif ls -a | grep -q '___'; then
        fail "$what: work files left"
    else
        ok "$what"
    fi
}
mkdir -p d
cp plain.txt x.txt
in_place "./x" x.txt ./x.txt
in_place "d/../x" d/../x.txt x.txt
if $wine; then
    in_place "absolute name" "$(winepath -w "$work/x.txt" 2>/dev/null)" x.txt
    in_place "letter case" x.txt X.TXT
    in_place "letter case and backslashes" X.txt 'd\..\x.TXT'
    skip "symbolic links: Wine makes none"
else
    in_place "absolute name" "$work/x.txt" x.txt
    ln -s x.txt soft.txt
    in_place "symbolic link" x.txt soft.txt
    in_place "symbolic link, the other way" soft.txt x.txt
    [[ -L soft.txt ]] || fail "the symbolic link was replaced by a file"
    rm soft.txt
fi
# Replacing gives the result a new file: the other name keeps the
# original, as after any replacing save.
ln x.txt hard.txt
"${cli[@]}" encrypt --quiet --password-file pw.txt x.txt hard.txt </dev/null 2>err.log || fail "hard link: $(cat err.log)"
if cmp -s plain.txt x.txt && "${cli[@]}" decrypt --quiet --password-file pw.txt hard.txt hard.txt </dev/null &&
    cmp -s plain.txt hard.txt; then
    ok "hard link"
else
    fail "hard link: x.txt $(stat -c %s x.txt) bytes, hard.txt $(stat -c %s hard.txt) bytes"
fi
rm hard.txt

# --- Names of every script and length -----------------------------------------
round_trip "Cyrillic, CJK, beyond the BMP, spaces" plain.txt "Отчёт 機密 文書 😀 𝄞.tsv" "назад Ω 😀.txt"
deep="Папка с пробелами"
while (( ${#deep} < 300 )); do deep+="/文件夹 𝄞 — длинное имя папки для проверки пути"; done
mkdir -p "$deep"
round_trip "a path of ${#deep} characters" plain.txt "$deep/секрет 😀.tsv" "$deep/назад.txt"
cp plain.txt "$deep/на месте.txt"
if "${cli[@]}" encrypt --quiet --password-file pw.txt "$deep/на месте.txt" "$deep/на месте.txt" </dev/null 2>err.log &&
    "${cli[@]}" decrypt --quiet --password-file pw.txt "$deep/на месте.txt" "$deep/на месте.txt" </dev/null 2>err.log &&
    cmp -s plain.txt "$deep/на месте.txt" && [[ $(ls "$deep" | wc -l) == 3 ]]; then
    ok "in place in the long path"
else
    fail "in place in the long path: $(cat err.log)"
fi

echo "$failures failed"
exit $((failures != 0))
