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

# Runs apt-get install for every named package that is not installed yet (through sudo when not root).
# A name with an architecture (wine32:i386) adds that architecture first.
install_missing() {
    local missing=() p
    for p in "$@"; do
        dpkg -s "$p" >/dev/null 2>&1 || missing+=("$p")
    done
    [ ${#missing[@]} -gt 0 ] || return 0
    echo "== installing: ${missing[*]}"
    local SUDO=""
    [ "$(id -u)" -eq 0 ] || SUDO="sudo"
    for p in "${missing[@]}"; do
        if [[ $p == *:i386 ]] && ! dpkg --print-foreign-architectures | grep -qx i386; then
            $SUDO dpkg --add-architecture i386
        fi
    done
    $SUDO apt-get update -qq
    DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
}

# What the test prefix was made with: a prefix made before 32-bit Wine was installed fails to start any
# program once it is ("could not load kernel32.dll") and is not repaired by wineboot -u, so it is remade.
wine_identity() {
    echo "wine=$(dpkg-query -W -f='${Version}' wine 2>/dev/null) wine32=$(dpkg-query -W -f='${Version}' wine32:i386 2>/dev/null || true)"
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
