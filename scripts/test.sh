#!/usr/bin/env bash
# Sets everything up (scripts/setup.sh), then runs every test: the native unit tests; under Wine, the Windows
# tests against the stand-in world client, in parallel slots, the release packages' tests among them; the 32-bit
# build's share (the link library's tests and a whole game of the host); and a short run of every fuzz target.
# Exits non-zero when any fails.
#
#   WINE_SLOTS=N bash scripts/test.sh    N Wine tests at once (default 8; most of their time is clock seconds)
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/env.sh"
bash "$ROOT/scripts/setup.sh"
# The release packages, which the package tests check and install (the 32-bit programs are built for them).
TUMBLEROO_SET_UP=1 bash "$ROOT/scripts/package.sh" >/dev/null

# The 32-bit tree builds only what its tests need; scripts/package.sh builds the shipped programs.
WIN32_TARGETS=(zmvorq_wine_test zmvorq_abi_wine_test host_wine_test)
WIN32_TESTS='^(zmvorq_.*|host_wine_test\.RoundsOfTheGame)$'
echo "== 32-bit Windows build (${WIN32_TARGETS[*]})"
configure "$WIN32_BUILD" -DCMAKE_TOOLCHAIN_FILE="$ROOT/cmake/toolchain-mingw32.cmake" "${WIN_FLAGS[@]}"
for target in "${WIN32_TARGETS[@]}"; do
    # One target at a time: make builds the parts they share once.
    cmake --build "$WIN32_BUILD" -j"$(nproc)" --target "$target" >/dev/null
done

# Each slot is a Wine prefix of its own, made afresh from the test prefix, with its own persistent wineserver
# and services (see start_wine_session). ctest hands every Windows test one slot (a "wine" resource).
slots=${WINE_SLOTS:-8}
wineserver -k >/dev/null 2>&1 || true
stop_slots() {
    local i
    for ((i = 0; i < slots; i++)); do WINEPREFIX=$WINE_SLOTS_DIR/$i wineserver -k >/dev/null 2>&1 || true; done
}
trap stop_slots EXIT
stop_slots
rm -rf "$WINE_SLOTS_DIR"
spec='{"version": {"major": 1, "minor": 0}, "local": [{"wine": ['
separator=""
for ((i = 0; i < slots; i++)); do
    derive_prefix "$WINE_SLOTS_DIR/$i"
    (export WINEPREFIX=$WINE_SLOTS_DIR/$i; start_wine_session) &
    spec+="$separator{\"id\": \"$i\", \"slots\": 1}"
    separator=", "
done
wait
echo "$spec]}]}" >"$WINE_SLOTS_DIR/resources.json"
wine_ctest() {
    ctest --test-dir "$1" --output-on-failure -j"$slots" --resource-spec-file "$WINE_SLOTS_DIR/resources.json" "${@:2}"
}

status=0
echo "== native tests"
ctest --test-dir "$NATIVE_BUILD" --output-on-failure -j"$(nproc)" || status=1
echo "== Windows tests under Wine ($slots at once)"
wine_ctest "$WIN_BUILD" || status=1
echo "== 32-bit Windows tests under Wine"
wine_ctest "$WIN32_BUILD" -R "$WIN32_TESTS" || status=1
echo "== fuzz targets, 3 s each"
bash "$ROOT/scripts/fuzz.sh" 3 || status=1
exit $status
