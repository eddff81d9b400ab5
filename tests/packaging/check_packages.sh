#!/usr/bin/env bash
# Checks what tools/package wrote to dist/, as a user gets it, and the
# install rules of both build trees (run from the repository's root, with a
# Wine server up):
#   the zip holds exactly the four files, both programs import system DLLs
#   alone, and its tessavel-cli.exe runs under Wine;
#   the .deb has its metadata and contents, unpacks into a scratch root and
#   its program runs there, opening what the Windows program made;
#   cmake --install puts each tree's files into a fresh prefix.
set -u
root=$PWD
version=$(sed -n 's/^project(Tessavel VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)
zip=dist/Tessavel-$version-win64.zip
deb=dist/tessavel-cli_${version}_$(dpkg --print-architecture).deb
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
passed=0
failed=0
check() {  # check DESCRIPTION COMMAND...: passes when the command does
    local what=$1
    shift
    if "$@" >"$scratch/out.log" 2>&1; then
        passed=$((passed + 1))
        echo "ok: $what"
    else
        failed=$((failed + 1))
        echo "FAIL: $what"
        sed 's/^/    /' "$scratch/out.log"
    fi
}
same() { [[ $1 == "$2" ]] || { echo "got:"; echo "$1"; echo "expected:"; echo "$2"; return 1; }; }

check "dist/ holds the zip, the .deb and SHA256SUMS" \
    same "$(ls dist)" "$(printf '%s\n' SHA256SUMS "$(basename "$zip")" "$(basename "$deb")" | sort)"
check "the checksums hold" bash -c 'cd dist && sha256sum --check --strict SHA256SUMS'

# --- The zip ------------------------------------------------------------------
check "the zip holds exactly the two programs, README.txt and LICENSE.txt" \
    same "$(unzip -Z1 "$zip" | sort)" "$(printf '%s\n' LICENSE.txt README.txt Tessavel.exe tessavel-cli.exe)"
mkdir "$scratch/zip" && unzip -q -d "$scratch/zip" "$zip"
# Every DLL an executable names must come with Windows (Wine's system
# folder stands in for it): no MinGW runtime beside the program.
system_dlls_only() {
    local dll missing=()
    for dll in $(x86_64-w64-mingw32-objdump -p "$1" | sed -n 's/^\tDLL Name: //p'); do
        [[ -n $(find "$WINEPREFIX/drive_c/windows/system32" -maxdepth 1 -iname "$dll") ]] || missing+=("$dll")
    done
    ((${#missing[@]} == 0)) || { echo "not a system DLL: ${missing[*]}"; return 1; }
}
check "Tessavel.exe needs system DLLs alone" system_dlls_only "$scratch/zip/Tessavel.exe"
check "tessavel-cli.exe needs system DLLs alone" system_dlls_only "$scratch/zip/tessavel-cli.exe"
check "the zip's tessavel-cli.exe runs under Wine" \
    same "$(wine "$scratch/zip/tessavel-cli.exe" --version 2>&1 | tr -d '\r')" "$(build/native/cli/tessavel-cli --version)"

# --- The .deb -----------------------------------------------------------------
field() { dpkg-deb --field "$deb" "$1"; }
deb_metadata() {
    same "$(field Package)" tessavel-cli &&
        same "$(field Version)" "$version" &&
        same "$(field Architecture)" "$(dpkg --print-architecture)" &&
        [[ $(field Depends) == *libc6* ]] &&
        [[ -n $(field Maintainer) && -n $(field Description) && -n $(field Installed-Size) ]] &&
        dpkg-deb --info "$deb" >/dev/null
}
check "the .deb's metadata (dependencies from shlibdeps)" deb_metadata
check "the .deb holds the program, its manual page and the licence" \
    same "$(dpkg-deb --contents "$deb" | awk '$1 !~ /^d/ {print $NF}')" \
    "$(printf '%s\n' ./usr/bin/tessavel-cli ./usr/share/doc/tessavel-cli/copyright ./usr/share/man/man1/tessavel-cli.1.gz)"
dpkg -x "$deb" "$scratch/deb"
check "the manual page is compressed roff" bash -c "zcat '$scratch/deb/usr/share/man/man1/tessavel-cli.1.gz' | grep -q '^\.TH TESSAVEL-CLI 1'"
# A file made by the zip's program opens with the .deb's.
round_trip() (
    cd "$scratch" || exit 1
    printf 'marigold\n' > pw.txt
    seq 1 50000 > plain.txt
    wine zip/tessavel-cli.exe encrypt --quiet --password-file pw.txt plain.txt made-on-windows.tsv </dev/null &&
        deb/usr/bin/tessavel-cli check --password-file pw.txt made-on-windows.tsv </dev/null &&
        deb/usr/bin/tessavel-cli decrypt --quiet --password-file pw.txt made-on-windows.tsv back.txt </dev/null &&
        cmp plain.txt back.txt
)
check "the .deb's program runs from the scratch root, on the zip program's file" round_trip

# --- cmake --install ----------------------------------------------------------
installs() {  # installs TREE FILE...: the tree installs those files and no other
    local tree=$1 prefix=$scratch/install-$1
    shift
    cmake --install "build/$tree" --prefix "$prefix" >/dev/null &&
        same "$(cd "$prefix" && find . -type f | sort)" "$(printf './%s\n' "$@" | sort)"
}
check "cmake --install, native" installs native bin/tessavel-cli share/doc/tessavel-cli/copyright \
    share/man/man1/tessavel-cli.1.gz
check "cmake --install, windows" installs windows LICENSE.txt README.txt Tessavel.exe tessavel-cli.exe

echo "$passed passed, $failed failed"
((failed == 0))
