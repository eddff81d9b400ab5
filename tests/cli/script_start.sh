# The start that the tessavel-cli scripts share, sourced with the script's
# arguments (the command, e.g. "wine tessavel-cli.exe"): `cli` holds the
# command with absolute names, the script goes on in a fresh folder of its
# own that is removed at the end, and fail and ok report and count.
# shellcheck shell=bash
cli=("$@")
for i in "${!cli[@]}"; do
    [[ ${cli[$i]} == */* && -e ${cli[$i]} ]] && cli[$i]=$(cd "$(dirname "${cli[$i]}")" && pwd)/$(basename "${cli[$i]}")
done
work=$(mktemp -d)
trap 'chmod -R u+w "$work"; rm -rf "$work"' EXIT
chmod 755 "$work"  # an ordinary user must reach it
cd "$work" || exit 1
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
ok() { echo "ok: $*"; }
