#!/usr/bin/env bash
# Installs what is missing, builds, and prepares a Wine prefix inside the Windows build tree with the null display
# driver. Safe to run again: it installs nothing that is there, and remakes the prefix only when Wine changed.
#
#   bash scripts/setup.sh --game   what the main job uses (scripts/run.sh): 64-bit Wine and the 64-bit cross
#                                  compiler; the two programs, the link library, the stand-in world and the driver
#   bash scripts/setup.sh          everything the tests use (scripts/test.sh): also the native tree, every test
#                                  program, the 32-bit cross compiler, clang, NSIS, and 32-bit Wine where this
#                                  machine can run it, and Chromium, which opens the season's page
#
# The full set-up writes what became of 32-bit Wine into build/setup/32bit: "ok", or the reason the 32-bit share
# cannot run here, for scripts/test.sh to report.
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/env.sh"

mode=all
case "${1:-}" in
    --game) mode=game ;;
    "") ;;
    *)
        echo "usage: bash scripts/setup.sh [--game]" >&2
        exit 2
        ;;
esac
jobs=$(nproc)
STATE=$ROOT/build/setup
mkdir -p "$STATE"

if [ $mode = game ]; then
    install_missing cmake googletest g++-mingw-w64-x86-64-posix wine wine64
else
    install_missing cmake g++ googletest g++-mingw-w64-x86-64-posix g++-mingw-w64-i686-posix wine wine64 \
        clang libclang-rt-14-dev nsis zip unzip git chromium

    # 32-bit Wine, only where it can run, and before the prefix is made (installing it afterwards breaks the
    # prefix, see wine_identity). A failed install is remembered for a day, so that a second run on a machine
    # whose i386 package index is broken does not try again at once; TUMBLEROO_RETRY_32BIT=1 tries at once.
    status32=$(no_32bit_reason)
    failed=$STATE/wine32-install-failed
    if [ -z "$status32" ] && ! dpkg -s wine32:i386 >/dev/null 2>&1; then
        if [ -f "$failed" ] && [ -z "${TUMBLEROO_RETRY_32BIT:-}" ] && [ -z "$(find "$failed" -mmin +1440)" ]; then
            status32=$(cat "$failed")
        elif install_missing --quiet-failure wine32:i386; then
            rm -f "$failed"
        else
            status32="32-bit Wine could not be installed (apt: $APT_ERROR)"
            echo "$status32" >"$failed"
            cat >&2 <<PARAGRAPH

32-bit Wine (wine32:i386) could not be installed; apt's last error: $APT_ERROR
Everything 64-bit is set up and tested without it; the 32-bit programs are still built and checked, but not run.
When the Debian mirror is in the middle of a sync (a file of unexpected size, hash sums), wait some minutes and
run TUMBLEROO_RETRY_32BIT=1 bash scripts/test.sh; "held (broken) packages" or "generated breaks" usually means the i386 index is
older than the installed 64-bit libraries, which also passes once the mirror has caught up.

PARAGRAPH
        fi
    fi
    if [ -z "$status32" ] && [ "$WINE_LOADER_KIND" = wine64-only ]; then
        status32="32-bit Wine is installed but cannot start ($WINE32_LOADER --version fails)"
    fi
    echo "${status32:-ok}" >"$STATE/32bit"

    echo "== native build"
    configure "$NATIVE_BUILD" "${NATIVE_FLAGS[@]}"
    cmake --build "$NATIVE_BUILD" -j"$jobs" >/dev/null
fi

echo "== Windows build"
configure "$WIN_BUILD" -DCMAKE_TOOLCHAIN_FILE="$ROOT/cmake/toolchain-mingw.cmake" "${WIN_FLAGS[@]}"
if [ $mode = game ]; then
    # One target at a time: make builds the parts they share once.
    for target in Gorvath zmvorq worldsim worldctl host_driver; do
        cmake --build "$WIN_BUILD" -j"$jobs" --target "$target" >/dev/null
    done
else
    cmake --build "$WIN_BUILD" -j"$jobs" >/dev/null
fi

# The marker records the Wine the prefix was made with; bump its name when the settings below change.
marker=$WINEPREFIX/.prepared-3
if [ ! -f "$marker" ] || [ "$(cat "$marker")" != "$(wine_identity)" ]; then
    echo "== Wine prefix $WINEPREFIX"
    wineserver -k >/dev/null 2>&1 || true
    rm -rf "$WINEPREFIX"
    wineboot -i >/dev/null 2>&1 || true
    # No display needed: windows, message boxes and DDE work with the null driver, nothing is drawn.
    wine reg add 'HKCU\Software\Wine\Drivers' /v Graphics /d null /f >/dev/null 2>&1
    # A crashing program prints its backtrace and ends instead of waiting on an invisible crash dialog.
    wine reg add 'HKCU\Software\Wine\WineDbg' /v ShowCrashDialog /t REG_DWORD /d 0 /f >/dev/null 2>&1
    wineserver -k || true
    if [ ! -f "$WINEPREFIX/system.reg" ]; then
        echo "setup: Wine could not make its prefix in $WINEPREFIX (wineboot -i failed; run it by hand to see why)" >&2
        exit 1
    fi
    wine_identity >"$marker"
fi
echo "== set up"
