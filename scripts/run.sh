#!/usr/bin/env bash
# Sets up what the game needs (scripts/setup.sh --game: 64-bit Wine and the programs, nothing 32-bit, no tests), then
# the main job: a game of Tumbleroo. The stand-in world client starts with a room of scripted avatars
# (samples/host/room.txt), and Gorvath.exe runs in build/run/game with the sample GORVATH.TXT, MACTITS.TXT, macro
# files and an SCONTROL.TXT for the library method.
#
#   bash scripts/run.sh              with a usable X display: both windows to play with, until Gorvath.exe is
#                                    closed; without one: a scripted game, then the chat and the saved game
#   bash scripts/run.sh --scripted   the scripted game even when a display is there
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/env.sh"
bash "$ROOT/scripts/setup.sh" --game

scripted=no
[ "${1:-}" = "--scripted" ] && scripted=yes

# A display the operator can see: $DISPLAY set and answering.
display_usable() {
    [ -n "${DISPLAY:-}" ] || return 1
    if command -v xdpyinfo >/dev/null 2>&1; then xdpyinfo >/dev/null 2>&1; return; fi
    if command -v xset >/dev/null 2>&1; then xset q >/dev/null 2>&1; return; fi
    local number=${DISPLAY#*:}
    number=${number%%.*}
    [ -z "${DISPLAY%%:*}" ] && [ -S "/tmp/.X11-unix/X$number" ]
}
[ $scripted = no ] && ! display_usable && scripted=yes

if [ $scripted = no ]; then
    # The test prefix draws nothing (null driver); windows for a person need a copy that draws through X11.
    X11_PREFIX=$WIN_BUILD/wineprefix-x11
    wineserver -k >/dev/null 2>&1 || true
    derive_prefix "$X11_PREFIX"
    if [ $DERIVED = yes ]; then
        WINEPREFIX=$X11_PREFIX wine reg delete 'HKCU\Software\Wine\Drivers' /v Graphics /f >/dev/null 2>&1 || true
        WINEPREFIX=$X11_PREFIX wineserver -k >/dev/null 2>&1 || true
    fi
    export WINEPREFIX=$X11_PREFIX
fi

BIN=$WIN_BUILD/bin
RUN_DIR=$ROOT/build/run/game
rm -rf "$RUN_DIR"
mkdir -p "$RUN_DIR"
cp "$ROOT"/samples/host/*.TXT "$RUN_DIR/"
start_wine_session
cleanup() {
    (cd "$RUN_DIR" && wine "$BIN/worldctl.exe" quit >/dev/null 2>&1) || true
    if [ "$WINE_SESSION_OURS" = yes ]; then wineserver -k >/dev/null 2>&1 || true; fi
}
trap cleanup EXIT

cd "$RUN_DIR"
wine "$BIN/worldsim.exe" --scenario "$(winepath -w "$ROOT/samples/host/room.txt")" --transcript world.log &
wine "$BIN/worldctl.exe" --wait 20 >/dev/null

if [ $scripted = no ]; then
    echo "== Tumbleroo on $DISPLAY: the world \"Pelmor 3.0\" (room: Ann, Bob Smith, Cleo, Dev, Eve, Finn) and the"
    echo "   host window \"Tumbleroo\". Start with Ask_For_\$ and Get_Players; close the host window to end."
    wine "$BIN/Gorvath.exe"
    echo "== GORVATH.SAV"
    cat GORVATH.SAV 2>/dev/null || echo "(not written)"
else
    wine "$BIN/host_driver.exe" play "$(winepath -w "$RUN_DIR")" "$(winepath -w "$RUN_DIR/world.log")"
fi
echo
echo "== the game's folder: $RUN_DIR (the world's record of every byte on the link: world.log)"
