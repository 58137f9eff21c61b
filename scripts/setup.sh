#!/usr/bin/env bash
# Installs what is missing, builds the native and the Windows trees, and prepares a Wine prefix
# inside the Windows build tree with the null display driver. Safe to run again: it only redoes what is needed.
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/env.sh"

# Everything the scripts use, the 32-bit build and its Wine included: installing 32-bit Wine after the prefix
# was made would break the prefix (see wine_identity).
install_missing cmake g++ googletest g++-mingw-w64-x86-64-posix g++-mingw-w64-i686-posix \
    wine wine64 wine32:i386 clang libclang-rt-14-dev nsis zip unzip

jobs=$(nproc)

echo "== native build"
configure "$NATIVE_BUILD" "${NATIVE_FLAGS[@]}"
cmake --build "$NATIVE_BUILD" -j"$jobs" >/dev/null

echo "== Windows build"
configure "$WIN_BUILD" -DCMAKE_TOOLCHAIN_FILE="$ROOT/cmake/toolchain-mingw.cmake" "${WIN_FLAGS[@]}"
cmake --build "$WIN_BUILD" -j"$jobs" >/dev/null

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
    wine_identity >"$marker"
fi
echo "== set up"
