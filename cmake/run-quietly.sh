#!/bin/sh
# run-quietly.sh COMMAND...: runs COMMAND with no terminal or pipe of the
# caller's: its output goes to a log that is shown only when it fails.
log=$(mktemp) || exit 1
"$@" </dev/null >"$log" 2>&1
status=$?
[ "$status" -eq 0 ] || cat "$log" >&2
rm -f "$log"
exit "$status"
