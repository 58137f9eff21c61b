#!/usr/bin/env bash
# Sets everything up (scripts/setup.sh), builds the release packages (twice from a committed tree, comparing the
# bytes), then runs every test: the native unit tests; under Wine, the Windows tests against the stand-in world
# client, in parallel slots, the release packages' tests among them; the 32-bit build's share (the link library's
# tests and a whole game of the host); and a short run of every fuzz target. Exits non-zero when any fails.
#
#   WINE_SLOTS=N bash scripts/test.sh    N Wine tests at once (default 8; most of their time is clock seconds),
#                                        and two more for the 32-bit tests
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/env.sh"
bash "$ROOT/scripts/setup.sh"
status=0
# The release packages, which the package tests check and install (the 32-bit programs are built for them). From a
# tree without uncommitted changes (CI's clean clone) they are built a second time from a fresh clone of the commit
# and must come out byte for byte the same.
if [ -z "$(git -C "$ROOT" status --porcelain --untracked-files=no)" ]; then
    bash "$ROOT/scripts/package.sh" --verify >/dev/null || status=1
else
    echo "== packages (not built a second time for comparison: the tree has uncommitted changes)"
    bash "$ROOT/scripts/package.sh" >/dev/null
fi

# The 32-bit tree builds only what its tests need; scripts/package.sh builds the shipped programs.
WIN32_TARGETS=(zmvorq_wine_test zmvorq_abi_wine_test host_wine_test fault_wine_test)
WIN32_TESTS='^(zmvorq_.*|host_wine_test\.RoundsOfTheGame|fault_wine_test\.(WorldSitsOnRequest|WorldHoldsReply|UnansweringWindows).*)$'
echo "== 32-bit Windows build (${WIN32_TARGETS[*]})"
configure "$WIN32_BUILD" -DCMAKE_TOOLCHAIN_FILE="$ROOT/cmake/toolchain-mingw32.cmake" "${WIN_FLAGS[@]}"
for target in "${WIN32_TARGETS[@]}"; do
    # One target at a time: make builds the parts they share once.
    cmake --build "$WIN32_BUILD" -j"$(nproc)" --target "$target" >/dev/null
done

# Each slot is a Wine prefix of its own, made afresh from the test prefix, with its own persistent wineserver
# and services (see start_wine_session). Every Windows test takes a free slot while it runs (build/win/wine-run.sh).
# The 32-bit share runs beside the 64-bit tests, in two more slots of its own.
slots=${WINE_SLOTS:-8}
slots32=2
wineserver -k >/dev/null 2>&1 || true
stop_slots() {
    local d
    for d in "$WINE_SLOTS_DIR"/*/; do [ -d "$d" ] && WINEPREFIX=${d%/} wineserver -k >/dev/null 2>&1 || true; done
}
trap stop_slots EXIT
stop_slots
rm -rf "$WINE_SLOTS_DIR"
for ((i = 0; i < slots + slots32; i++)); do
    derive_prefix "$WINE_SLOTS_DIR/$i"
    (export WINEPREFIX=$WINE_SLOTS_DIR/$i; start_wine_session) &
done
wait
slot_ids() { seq -s ' ' "$1" $(($1 + $2 - 1)); }

echo "== native tests"
ctest --test-dir "$NATIVE_BUILD" --output-on-failure -j"$(nproc)" || status=1
echo "== Windows tests under Wine ($slots at once; the 32-bit share beside them)"
WINE_SLOT_IDS=$(slot_ids "$slots" "$slots32") ctest --test-dir "$WIN32_BUILD" --output-on-failure -j"$slots32" \
    -R "$WIN32_TESTS" >"$WINE_SLOTS_DIR/win32-tests.log" 2>&1 &
win32_tests=$!
WINE_SLOT_IDS=$(slot_ids 0 "$slots") ctest --test-dir "$WIN_BUILD" --output-on-failure -j"$slots" || status=1
wait $win32_tests || status=1
echo "== 32-bit Windows tests under Wine"
cat "$WINE_SLOTS_DIR/win32-tests.log"
echo "== fuzz targets, 3 s each"
bash "$ROOT/scripts/fuzz.sh" 3 || status=1
exit $status
