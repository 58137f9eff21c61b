# Sourced by the other scripts: where the builds and the Wine prefixes live, and the Wine helpers they share.
ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
NATIVE_BUILD=$ROOT/build/native
WIN_BUILD=$ROOT/build/win
WIN32_BUILD=$ROOT/build/win32
# The Wine prefixes of the parallel test slots (scripts/test.sh, cmake/wine-run.sh.in).
WINE_SLOTS_DIR=$ROOT/build/wineslots
export WINEPREFIX=$WIN_BUILD/wineprefix
export WINEDEBUG=${WINEDEBUG:--all}
# No Mono or Gecko installers: nothing here needs them, and their prompts would hang a headless run.
export WINEDLLOVERRIDES="mscoree,mshtml="

SUDO=""
[ "$(id -u)" -eq 0 ] || SUDO="sudo"
APT_UPDATED=no

# Refreshes the package lists once per script. A list that fails to download (typically a mirror in the middle of a
# sync, whose index of one architecture has another size than its release file says) makes apt-get update exit
# non-zero although every other list is fine: it is tried once more after a pause, and then the install decides.
apt_update() {
    [ $APT_UPDATED = no ] || return 0
    APT_UPDATED=yes
    $SUDO apt-get update -qq && return 0
    echo "== apt-get update failed; trying once more in 5 s" >&2
    sleep 5
    $SUDO apt-get update -qq && return 0
    echo "== some package lists could not be downloaded (above); going on with the lists apt has" >&2
}

# install_missing [--quiet-failure] PACKAGE...: runs apt-get install for every named package that is not installed
# yet (through sudo when not root). A name with an architecture (wine32:i386) adds that architecture first, and
# takes it away again when the install fails and nothing else of that architecture is installed. On failure it
# prints one paragraph (the packages, apt's last error line, what to do) unless --quiet-failure is given, sets
# APT_ERROR to apt's last error line, and returns 1.
install_missing() {
    local quiet=no
    [ "${1:-}" = "--quiet-failure" ] && { quiet=yes; shift; }
    local missing=() added=() p
    for p in "$@"; do
        dpkg -s "$p" >/dev/null 2>&1 || missing+=("$p")
    done
    [ ${#missing[@]} -gt 0 ] || return 0
    echo "== installing: ${missing[*]}"
    for p in "${missing[@]}"; do
        if [[ $p == *:* ]]; then
            local arch=${p#*:}
            if [ "$arch" != "$(dpkg --print-architecture)" ] && ! dpkg --print-foreign-architectures | grep -qx "$arch"; then
                $SUDO dpkg --add-architecture "$arch"
                added+=("$arch")
                APT_UPDATED=no
            fi
        fi
    done
    apt_update
    local log
    log=$(mktemp)
    if DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"             >"$log" 2>&1; then
        rm -f "$log"
        return 0
    fi
    APT_ERROR=$(grep -E '^(E|W): ' "$log" | tail -1 || true)
    [ -n "$APT_ERROR" ] || APT_ERROR=$(tail -1 "$log" || true)
    rm -f "$log"
    for arch in "${added[@]}"; do
        # Only what this call added, and only while nothing of it is installed: the machine stays as it was.
        if ! dpkg-query -W -f='${Architecture}\n' 2>/dev/null | grep -qx "$arch"; then
            $SUDO dpkg --remove-architecture "$arch" 2>/dev/null && APT_UPDATED=no
        fi
    done
    if [ $quiet = no ]; then
        cat >&2 <<PARAGRAPH

Could not install ${missing[*]}. apt's last error: ${APT_ERROR}
If it speaks of a file of unexpected size, hash sums or "Mirror sync in progress", the Debian mirror is being
updated: wait some minutes and run this command again. Otherwise check that this machine reaches its package
mirror (apt-get update) and that no other apt or dpkg is running.

PARAGRAPH
    fi
    return 1
}

# Why this machine cannot run 32-bit x86 programs, in plain words; nothing when it can. It writes a 96-byte 32-bit
# ELF program that only exits with status 42 and runs it: a kernel without 32-bit support refuses it ("Exec format
# error"). TUMBLEROO_NO_32BIT=1 makes a machine that can behave as one that cannot, to try that path.
no_32bit_reason() {
    if [ -n "${TUMBLEROO_NO_32BIT:-}" ] && [ "${TUMBLEROO_NO_32BIT}" != 0 ]; then
        echo "this machine is treated as one that cannot run 32-bit programs (TUMBLEROO_NO_32BIT=$TUMBLEROO_NO_32BIT)"
        return
    fi
    local probe status=0
    mkdir -p "$ROOT/build"
    probe=$(mktemp "$ROOT/build/probe32.XXXXXX")
    # ELF header, one loadable segment at 0x08048000, then: mov eax,1; mov ebx,42; int 0x80 (exit(42)).
    printf '\x7fELF\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00\x02\x00\x03\x00\x01\x00\x00\x00\x54\x80\x04\x08\x34\x00\x00\x00'\
'\x00\x00\x00\x00\x00\x00\x00\x00\x34\x00\x20\x00\x01\x00\x00\x00\x00\x00\x00\x00\x01\x00\x00\x00\x00\x00\x00\x00\x00\x80\x04\x08'\
'\x00\x80\x04\x08\x60\x00\x00\x00\x60\x00\x00\x00\x05\x00\x00\x00\x00\x10\x00\x00\xb8\x01\x00\x00\x00\xbb\x2a\x00\x00\x00\xcd\x80' >"$probe"
    chmod +x "$probe"
    "$probe" 2>/dev/null || status=$?
    rm -f "$probe"
    case $status in
        42) ;;
        126) echo "this machine cannot run 32-bit programs (the kernel has no 32-bit support)" ;;
        *) echo "this machine cannot run 32-bit programs (a 32-bit test program ended with status $status)" ;;
    esac
}

# Wine's own `wine` command starts the 32-bit loader whenever 32-bit Wine (wine32:i386) is installed, even for
# 64-bit programs; where that loader cannot run (no 32-bit support, or TUMBLEROO_NO_32BIT), every wine call would
# fail. Then a `wine` of ours comes first on PATH and starts the 64-bit loader directly (as Wine's own script does
# when 32-bit Wine is absent); wineboot, winepath and ctest's wine-run.sh all go through it.
WINE32_LOADER=/usr/lib/wine/wine
WINE64_LOADER=/usr/lib/wine/wine64
WINE_LOADER_KIND=default
if [ -x "$WINE32_LOADER" ] && [ -x "$WINE64_LOADER" ] &&
    { [ -n "$(no_32bit_reason)" ] || ! "$WINE32_LOADER" --version >/dev/null 2>&1; }; then
    WINE_LOADER_KIND=wine64-only
    mkdir -p "$ROOT/build/wine64-only"
    for name in wine wine-stable; do
        printf '#!/bin/sh\n# Starts the 64-bit Wine loader: the 32-bit one cannot run on this machine.\nexport WINELOADER=%s\nexec %s "$@"\n' \
            "$WINE64_LOADER" "$WINE64_LOADER" >"$ROOT/build/wine64-only/$name"
        chmod +x "$ROOT/build/wine64-only/$name"
    done
    case ":$PATH:" in *":$ROOT/build/wine64-only:"*) ;; *) export PATH=$ROOT/build/wine64-only:$PATH ;; esac
fi

# What the test prefix was made with: a prefix made before 32-bit Wine was installed fails to start any
# program once it is ("could not load kernel32.dll") and is not repaired by wineboot -u, so it is remade; so is
# one made by the other loader.
wine_identity() {
    echo "wine=$(dpkg-query -W -f='${Version}' wine 2>/dev/null) wine32=$(dpkg-query -W -f='${Version}' wine32:i386 2>/dev/null || true) loader=$WINE_LOADER_KIND"
}

# One persistent wineserver for a whole run (a cold start costs about 0.65 s per program), with Wine's
# background services started here, their output detached: otherwise they inherit the output of the first
# program run, and whoever reads that output (ctest, a pipe) waits for them to end.
# A wineserver that already runs for the prefix (a session started by hand for a bench, say) makes `wineserver -p`
# end at once with status 2 and no message; that server is used as it is. WINE_SESSION_OURS tells the caller
# whether the session is its own to stop (wineserver -k) at the end: a server started by someone else is left alone.
start_wine_session() {
    local status=0
    wineserver -p || status=$?
    case $status in
        0) WINE_SESSION_OURS=yes ;;
        2)
            WINE_SESSION_OURS=no
            echo "== using the wineserver that already runs for $WINEPREFIX (left running at the end)"
            ;;
        *)
            echo "wineserver -p failed with status $status for $WINEPREFIX" >&2
            return "$status"
            ;;
    esac
    wine cmd.exe /c exit </dev/null >/dev/null 2>&1 || true
}

# derive_prefix DST: DST becomes a copy of the test prefix ($WINEPREFIX, which must not be running), unless
# it already is one of the prefix as it is now. The DLL folders (most of the 1.3 GB) are hard links; every
# other file is a copy of its own, so nothing run in DST writes into the test prefix (Wine replaces its
# registry files by renaming new ones over them, and our programs write only under drive_c/users and C:\).
# Sets DERIVED=yes when it made a new copy, DERIVED=no when DST was already up to date.
derive_prefix() {
    local dst=$1 stamp
    stamp="$(wine_identity) $(stat -c %Y "$WINEPREFIX/system.reg") $(cat "$WINEPREFIX"/.prepared-* 2>/dev/null)"
    DERIVED=no
    if [ -f "$dst/.derived" ] && [ "$(cat "$dst/.derived")" = "$stamp" ]; then return 0; fi
    DERIVED=yes
    WINEPREFIX=$dst wineserver -k >/dev/null 2>&1 || true
    rm -rf "$dst"
    mkdir -p "$(dirname "$dst")"
    cp -al "$WINEPREFIX" "$dst"
    (cd "$dst" && find . -type f ! -path '*/system32/*' ! -path '*/syswow64/*' -print0) |
        while IFS= read -r -d '' f; do cp -p --remove-destination "$WINEPREFIX/$f" "$dst/$f"; done
    echo "$stamp" >"$dst/.derived"
}

# configure DIR CMAKE-ARGS...: configures a build tree (the default generator, whose compile lines the shared
# compiler cache already holds).
configure() {
    local dir=$1
    shift
    cmake -S "$ROOT" -B "$dir" "$@" >/dev/null
}

# The build settings of every tree. CI (CI=true) turns warnings into errors, and as it builds every tree from
# nothing it keeps line tables only (-g1: file and line in the sanitizers' and Wine's backtraces) and compiles the
# sanitized native tree with -O1. Measured on one test file: 3x less compile time natively; a quarter less time
# and a third of the object size for the Windows tree. Switching between CI and a plain run rebuilds everything.
if [ "${CI:-}" = "true" ]; then
    NATIVE_FLAGS=(-DWARNINGS_AS_ERRORS=ON -DCMAKE_CXX_FLAGS_RELWITHDEBINFO="-O1 -g1" -DCMAKE_C_FLAGS_RELWITHDEBINFO="-O1 -g1")
    WIN_FLAGS=(-DWARNINGS_AS_ERRORS=ON -DCMAKE_CXX_FLAGS_RELWITHDEBINFO="-O2 -g1" -DCMAKE_C_FLAGS_RELWITHDEBINFO="-O2 -g1")
else
    NATIVE_FLAGS=(-DWARNINGS_AS_ERRORS=OFF -DCMAKE_CXX_FLAGS_RELWITHDEBINFO="-O2 -g" -DCMAKE_C_FLAGS_RELWITHDEBINFO="-O2 -g")
    WIN_FLAGS=("${NATIVE_FLAGS[@]}")
fi
