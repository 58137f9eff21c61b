#!/usr/bin/env bash
# Sets everything up (scripts/setup.sh), then runs every test: the native unit tests and, under Wine,
# the Windows tests against the stand-in world client. Exits non-zero when any test fails.
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/env.sh"
bash "$ROOT/scripts/setup.sh"

# One wineserver and its services for the whole run (see env.sh).
start_wine_session
trap 'wineserver -k >/dev/null 2>&1 || true' EXIT

status=0
echo "== native tests"
ctest --test-dir "$NATIVE_BUILD" --output-on-failure -j"$(nproc)" || status=1
echo "== Windows tests under Wine"
ctest --test-dir "$WIN_BUILD" --output-on-failure || status=1
exit $status
