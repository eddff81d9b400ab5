#!/usr/bin/env bash
# Runs of tessavel-cli that meet in one folder:
#   cli_concurrent.sh COMMAND...   (e.g. "wine tessavel-cli.exe")
# 2 and 8 runs started together, half in place and half to other names, with
# compression on and off, encrypting and then decrypting: every run must
# succeed, every result must decrypt to its own source, and the folder must
# hold just the runs' files, with no work file left.
set -u
source "$(dirname "$0")/script_start.sh" "$@"
mkdir shared originals
printf 'marigold\n' > pw.txt

# together COMMAND-LINE...: each argument a command line for the shared
# folder; all start at the same moment (they wait for one signal file), and
# each must exit 0.
together() {
    local i=0 line
    rm -f go status.*
    for line in "$@"; do
        i=$((i + 1))
        (
            cd shared
            while [[ ! -e ../go ]]; do sleep 0.005; done
            eval "$line" </dev/null >/dev/null 2>"../err.$i"
            echo $? > "../status.$i"
        ) &
    done
    touch go
    wait
    for ((i = 1; i <= $#; ++i)); do
        [[ $(cat "status.$i") == 0 ]] && continue
        # Wine's own process teardown, after the program has returned, now
        # and then trips an assertion of the system's dynamic loader when
        # many Wine processes end at once; the status is lost, not the work.
        # What the run did is checked from its files below, as for any run.
        if [[ ${cli[0]} == wine* && $(cat "status.$i") == 127 ]] &&
            grep -q 'Inconsistency detected by ld.so: dl-fini.c' "err.$i"; then
            echo "note: $what: run $i of $#: Wine's exit lost its status (ld.so at dl-fini); its files are checked"
            continue
        fi
        fail "$what: run $i of $#: exit $(cat "status.$i"): $(cat "err.$i")"
    done
}

# round RUNS COMPRESSION-OPTION ("" or --no-compression)
round() {
    local runs=$1 option=$2 i before=$failures what="$1 runs, compression on"
    [[ -n $option ]] && what="$1 runs, compression off"
    local encrypt=() decrypt=() expected=()
    rm -f shared/* originals/*
    for ((i = 0; i < runs; ++i)); do
        # A few MiB each, so that the runs overlap; every source its own.
        seq $((i * 1000000)) $((i * 1000000 + 350000)) > "originals/s$i"
        cp "originals/s$i" "shared/s$i"
        if ((i % 2 == 0)); then  # in place
            encrypt+=("${cli[*]@Q} encrypt --quiet $option --password-file ../pw.txt s$i s$i")
            decrypt+=("${cli[*]@Q} decrypt --quiet $option --password-file ../pw.txt s$i s$i")
            expected+=("s$i")
        else
            encrypt+=("${cli[*]@Q} encrypt --quiet $option --password-file ../pw.txt s$i s$i.tsv")
            decrypt+=("${cli[*]@Q} decrypt --quiet $option --password-file ../pw.txt s$i.tsv s$i.back")
            expected+=("s$i" "s$i.tsv" "s$i.back")
        fi
    done
    together "${encrypt[@]}"
    for ((i = 0; i < runs; i += 2)); do
        cmp -s "originals/s$i" "shared/s$i" && fail "$what: s$i was not encrypted in place"
    done
    together "${decrypt[@]}"
    for ((i = 0; i < runs; ++i)); do
        local back="shared/s$i"
        ((i % 2 == 0)) || back="shared/s$i.back"
        cmp -s "originals/s$i" "$back" || fail "$what: $back is not its own source"
        ((i % 2 == 0)) || cmp -s "originals/s$i" "shared/s$i" || fail "$what: the source s$i changed"
    done
    local have want
    have=$(ls -A shared | sort)
    want=$(printf '%s\n' "${expected[@]}" | sort)
    [[ $have == "$want" ]] || fail "$what: the folder holds other files: $(echo $have)"
    ((failures == before)) && ok "$what"
}

for runs in 2 8; do
    for option in "" --no-compression; do
        round "$runs" "$option"
    done
done

echo "$failures failed"
exit $((failures != 0))
