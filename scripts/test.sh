#!/usr/bin/env bash
# Sets everything up (scripts/setup.sh), builds the release packages (twice from a committed tree, comparing the
# bytes), then runs every test: the native unit tests; under Wine, the Windows tests against the stand-in world
# client, in parallel slots, the release packages' tests among them; the 32-bit build's share (the link library's
# tests and a whole game of the host); SEASON.HTM in headless Chromium; and a short run of every fuzz target. Ends
# with a summary of every stage and exits non-zero when any test that ran failed.
#
# On a machine that cannot run 32-bit programs (or where 32-bit Wine cannot be installed) the 32-bit tree and the
# packages are still built and checked without running them (export tables, PE types, package contents); only the
# 32-bit share and the installer's run under Wine (the setup program is 32-bit) are skipped, and the summary says
# why. TUMBLEROO_NO_32BIT=1 makes a machine that can run them behave as one that cannot.
#
#   WINE_SLOTS=N bash scripts/test.sh    N Wine tests at once (default 8; most of their time is clock seconds),
#                                        and two more for the 32-bit tests
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/env.sh"
bash "$ROOT/scripts/setup.sh"
skip32=$(cat "$ROOT/build/setup/32bit")
[ "$skip32" != ok ] || skip32=""
if [ -n "$skip32" ]; then
    echo "== 32-bit share skipped: $skip32"
    echo "   (the 32-bit programs are built and checked; the installer's run under Wine is skipped too)"
fi

status=0
summary=()
# stage NAME COMMAND...: runs one stage, remembers its result for the summary.
stage() {
    local name=$1
    shift
    if "$@"; then
        summary+=("ok       $name")
    else
        summary+=("FAILED   $name")
        status=1
    fi
}

# The release packages, which the package tests check and install (the 32-bit programs are built for them). From a
# tree without uncommitted changes (CI's clean clone) they are built a second time from a fresh clone of the commit
# and must come out byte for byte the same.
if [ -z "$(git -C "$ROOT" status --porcelain --untracked-files=no)" ]; then
    stage "release packages, built twice, the same bytes" bash "$ROOT/scripts/package.sh" --verify >/dev/null
else
    echo "== packages (not built a second time for comparison: the tree has uncommitted changes)"
    stage "release packages" bash "$ROOT/scripts/package.sh" >/dev/null
fi

# The 32-bit tree builds only what its tests need (the shipped programs come from package.sh's release trees). Where
# 32-bit programs cannot run, they are built all the same, and only its checks that run nothing 32-bit (the link
# library's export table) run.
# The rows whose name ends in @crossed run the programs of one tree against the stand-in world of the other: 64-bit
# programs with a 32-bit world client, as on most operators' machines, and the other way round.
WIN32_TARGETS=(zmvorq_wine_test zmvorq_abi_wine_test host_wine_test fault_wine_test configurator_wine_test)
WIN32_TESTS='^(zmvorq_[a-z_]*|zmvorq_wine_test@crossed|host_wine_test\.RoundsOfTheGame(\.console)?(@crossed)?'
WIN32_TESTS+='|configurator_wine_test\.CleanWorld@crossed'
WIN32_TESTS+='|fault_wine_test\.(WorldSitsOnRequest|WorldHoldsReply|UnansweringWindows).*)$'
WIN64_EXCLUDE='^$'
if [ -n "$skip32" ]; then
    # Still built, so that a machine that can run them never meets a 32-bit build error first.
    WIN32_TESTS='^zmvorq_exports$'
    WIN64_EXCLUDE='^installer_wine_test$|^selfcheck_wine_test\.win32$|@crossed$'
fi
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
[ -z "$skip32" ] || slots32=0
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
stage "native tests" ctest --test-dir "$NATIVE_BUILD" --output-on-failure -j"$(nproc)"
echo "== Windows tests under Wine ($slots at once; the 32-bit tests beside them)"
status32=0
if [ -n "$skip32" ]; then
    # Nothing here starts Wine: the checks run on the host.
    ctest --test-dir "$WIN32_BUILD" --output-on-failure -R "$WIN32_TESTS" >"$WINE_SLOTS_DIR/win32-tests.log" 2>&1 &
else
    WINE_SLOT_IDS=$(slot_ids "$slots" "$slots32") ctest --test-dir "$WIN32_BUILD" --output-on-failure -j"$slots32" \
        -R "$WIN32_TESTS" >"$WINE_SLOTS_DIR/win32-tests.log" 2>&1 &
fi
win32_tests=$!
stage "Windows tests under Wine (64-bit)" env WINE_SLOT_IDS="$(slot_ids 0 "$slots")" \
    ctest --test-dir "$WIN_BUILD" --output-on-failure -j"$slots" -E "$WIN64_EXCLUDE"
wait $win32_tests || status32=$?
echo "== 32-bit Windows tests"
cat "$WINE_SLOTS_DIR/win32-tests.log"
if [ -n "$skip32" ]; then
    stage "32-bit checks that run nothing 32-bit (export table)" test $status32 -eq 0
    summary+=("skipped  32-bit share: $skip32")
    summary+=("skipped  rows of programs and a world of different bitness (@crossed): $skip32;")
    summary+=("         the crossing is still tested against a world that widens every lParam as a 32-bit one (@plain32)")
    summary+=("skipped  the installer's run under Wine (the setup program is 32-bit)")
    summary+=("skipped  the 32-bit zip's self-check (selfcheck_wine_test.win32)")
else
    stage "32-bit share under Wine" test $status32 -eq 0
fi
# The page the Season window saves, opened in a real browser; where none is installed the summary says so.
echo "== SEASON.HTM in headless Chromium"
season_rc=0
"$NATIVE_BUILD/host/season_browser_check" "$ROOT/build/season-page" || season_rc=$?
case $season_rc in
    0) summary+=("ok       SEASON.HTM read by headless Chromium as the standings (build/season-page/season-page.png)") ;;
    77) summary+=("skipped  SEASON.HTM in headless Chromium: chromium is not installed") ;;
    *)
        summary+=("FAILED   SEASON.HTM in headless Chromium")
        status=1
        ;;
esac
echo "== fuzz targets, 3 s each"
stage "fuzz targets, 3 s each" bash "$ROOT/scripts/fuzz.sh" 3

echo
echo "== summary"
printf '   %s\n' "${summary[@]}"
exit $status
