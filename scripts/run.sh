#!/usr/bin/env bash
# Sets everything up (scripts/setup.sh), starts the stand-in world client with a small room, and runs a
# scripted session of the link library against it; prints what the library reported and the chat text.
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/env.sh"
bash "$ROOT/scripts/setup.sh"

BIN=$WIN_BUILD/bin
RUN_DIR=$ROOT/build/run
mkdir -p "$RUN_DIR"
wineserver -p
cleanup() {
    (cd "$RUN_DIR" && wine "$BIN/worldctl.exe" quit >/dev/null 2>&1) || true
    wineserver -k >/dev/null 2>&1 || true
}
trap cleanup EXIT

cd "$RUN_DIR"
wine "$BIN/worldsim.exe" --scenario "$(winepath -w "$ROOT/samples/demo_room.txt")" --transcript world.log &
wine "$BIN/worldctl.exe" --wait 20 >/dev/null

echo "== a scripted session of zmvorq.dll as program \"Tumbleroo\""
wine "$BIN/linkdemo.exe" --name Tumbleroo register "say:Hello room" \
    "say:Please ESP a single \$ to me to be put on the List." pause:1500 \
    "esp:Ann:You are on the List." "think:That went well" "esp:Nobody:Are you there?" getall unregister
echo
echo "== the world's transcript of what crossed the link: $RUN_DIR/world.log"
