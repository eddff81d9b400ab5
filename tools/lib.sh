# Shared by the scripts in tools/: package installation and the Wine set-up.
# shellcheck shell=bash

TESSAVEL_ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)

# ensure_packages PKG...: installs with apt-get whatever of PKG is missing.
ensure_packages() {
    local missing=() p
    for p in "$@"; do
        dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
    done
    ((${#missing[@]} == 0)) && return 0
    echo "installing: ${missing[*]}" >&2
    local sudo=()
    if [[ $(id -u) -ne 0 ]]; then
        command -v sudo >/dev/null || { echo "need root to install: ${missing[*]}" >&2; return 1; }
        sudo=(sudo)
    fi
    "${sudo[@]}" apt-get update -qq
    DEBIAN_FRONTEND=noninteractive "${sudo[@]}" apt-get install -y -qq "${missing[@]}" >/dev/null
}

# What building every preset needs (tools/test, tools/package).
ensure_build_packages() {
    ensure_packages cmake ninja-build g++ g++-mingw-w64-x86-64-posix wine64 fonts-wine xvfb xauth \
        libgtest-dev libgmock-dev googletest libbenchmark-dev "$@"
}

# The project keeps its own Wine prefix under build/, so runs never touch ~/.wine.
export WINEPREFIX="${WINEPREFIX:-$TESSAVEL_ROOT/build/wine}"
export WINEDEBUG="${WINEDEBUG:--all}"
export WINEDLLOVERRIDES="${WINEDLLOVERRIDES:-mscoree,mshtml=}"

# wine_use_dpi DPI: makes later wine_start and wine calls use a prefix of
# its own whose screen has DPI dots per inch (96 is the ordinary prefix).
# The density is a setting of the prefix, read when its server starts.
wine_use_dpi() {
    [[ $1 == 96 ]] && return 0
    export WINEPREFIX="$TESSAVEL_ROOT/build/wine-$1"
    WINE_DPI=$1
}

# wine_start: a persistent wine server with its services already running.
# Started here, outside any test, the services do not inherit a test's output
# pipes (which would keep CTest waiting), and each later wine process starts
# in milliseconds instead of seconds.
wine_start() {
    mkdir -p "$WINEPREFIX"
    if [[ ! -f "$WINEPREFIX/system.reg" ]]; then
        wineboot -i >/dev/null 2>&1 </dev/null || true
    fi
    # Wine draws the title-bar buttons with Marlett's symbols; Debian ships
    # the font (fonts-wine) where this Wine does not look for it, so the
    # buttons would show the letters behind the symbols.  The prefix's own
    # font folder is searched.
    local fonts="$WINEPREFIX/drive_c/windows/Fonts"
    if [[ -f /usr/share/wine/fonts/marlett.ttf && ! -f "$fonts/marlett.ttf" ]]; then
        mkdir -p "$fonts"
        cp /usr/share/wine/fonts/marlett.ttf "$fonts/"
    fi
    # Fails when the prefix already has a server running: that one serves.
    wineserver -p 2>/dev/null || true
    wine cmd /c exit >/dev/null 2>&1 </dev/null || true
    # Windows live on a desktop of Wine's own rather than as X windows:
    # without a window manager on the virtual screen, hiding an X window
    # makes Wine wait two seconds for a withdrawal that never comes.  The
    # desktop has a name of its own, since the ordinary one already exists
    # (as X windows) once any program of this server has run.
    if ! grep -q '"Desktop"="tessavel"' "$WINEPREFIX/user.reg" 2>/dev/null; then
        wine reg add 'HKCU\Software\Wine\Explorer' /v Desktop /d tessavel /f >/dev/null 2>&1 </dev/null || true
        wine reg add 'HKCU\Software\Wine\Explorer\Desktops' /v tessavel /d 1280x1024 /f >/dev/null 2>&1 </dev/null || true
    fi
    if [[ -n ${WINE_DPI:-} ]] && ! grep -q "\"LogPixels\"=dword:$(printf '%08x' "$WINE_DPI")" "$WINEPREFIX/user.reg" 2>/dev/null; then
        wine reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d "$WINE_DPI" /f >/dev/null 2>&1 </dev/null || true
        wineserver -k 2>/dev/null || true
        wineserver -p 2>/dev/null || true
        wine cmd /c exit >/dev/null 2>&1 </dev/null || true
    fi
}

# wine_desktop: the tests' desktop itself, up for the whole run (after
# wine_start, on a display).  A desktop that a test process starts inherits
# that process's output and keeps CTest waiting until the desktop closes, a
# second after the test's windows went.
wine_desktop() {
    wine explorer /desktop=tessavel,1280x1024 >/dev/null 2>&1 </dev/null &
}

wine_stop() {
    wineserver -k 2>/dev/null || true
}
