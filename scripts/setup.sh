#!/usr/bin/env bash
# Installs what is missing, builds the native and the Windows trees, and prepares a Wine prefix
# inside the Windows build tree with the null display driver. Safe to run again: it only redoes what is needed.
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/env.sh"

packages=(cmake g++ googletest g++-mingw-w64-x86-64-posix wine wine64)
missing=()
for p in "${packages[@]}"; do
    dpkg -s "$p" >/dev/null 2>&1 || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
    echo "== installing: ${missing[*]}"
    SUDO=""
    [ "$(id -u)" -eq 0 ] || SUDO="sudo"
    $SUDO apt-get update -qq
    DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi

werror=OFF
[ "${CI:-}" = "true" ] && werror=ON
jobs=$(nproc)

echo "== native build"
cmake -S "$ROOT" -B "$NATIVE_BUILD" -DWARNINGS_AS_ERRORS=$werror >/dev/null
cmake --build "$NATIVE_BUILD" -j"$jobs" >/dev/null

echo "== Windows build"
cmake -S "$ROOT" -B "$WIN_BUILD" -DCMAKE_TOOLCHAIN_FILE="$ROOT/cmake/toolchain-mingw.cmake" \
      -DWARNINGS_AS_ERRORS=$werror >/dev/null
cmake --build "$WIN_BUILD" -j"$jobs" >/dev/null

# Bump the marker when the prefix settings below change: existing prefixes then get them too.
marker=$WINEPREFIX/.prepared-2
if [ ! -f "$marker" ]; then
    echo "== Wine prefix $WINEPREFIX"
    [ -f "$WINEPREFIX/system.reg" ] || wineboot -i >/dev/null 2>&1 || true
    # No display needed: windows, message boxes and DDE work with the null driver, nothing is drawn.
    wine reg add 'HKCU\Software\Wine\Drivers' /v Graphics /d null /f >/dev/null 2>&1
    # A crashing program prints its backtrace and ends instead of waiting on an invisible crash dialog.
    wine reg add 'HKCU\Software\Wine\WineDbg' /v ShowCrashDialog /t REG_DWORD /d 0 /f >/dev/null 2>&1
    wineserver -k || true
    touch "$marker"
fi
echo "== set up"
