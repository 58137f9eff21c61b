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

if [ ! -f "$WINEPREFIX/.null-driver" ]; then
    echo "== Wine prefix $WINEPREFIX"
    rm -rf "$WINEPREFIX"
    wineboot -i >/dev/null 2>&1 || true
    wine reg add 'HKCU\Software\Wine\Drivers' /v Graphics /d null /f >/dev/null 2>&1
    wineserver -k || true
    touch "$WINEPREFIX/.null-driver"
fi
echo "== set up"
