#!/usr/bin/env bash
# Renders the game host's windows under Xvfb (scripts/screenshot.sh) and saves them into docs/:
#   docs/gorvath-idle.png         the HostWindow after a draw and a picked category
#   docs/gorvath-busy.png         the HostWindow during the countdown of "GIVE CATEGORY" (red, disabled)
#   docs/gorvath-panel.png        the macro title panel opened by "Setup"
#   docs/gorvath-maintenance.png  the HostWindow with the PlayerMaintenanceWindow beside it, after a round
# Each runs the stand-in world with samples/host/room.txt and host_driver.exe, which starts Gorvath.exe and poses
# it; Wine's own desktop window draws the title bars (Xvfb has no window manager). Needs the Windows build
# (scripts/setup.sh); set HOST_BIN to use the binaries of another build tree, SHOTS_OUT to save elsewhere than
# docs/, SCREEN_DPI=144 to draw at 150 % (see scripts/screenshot.sh).
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/env.sh"
BIN=${HOST_BIN:-$WIN_BUILD/bin}
SHOTS=$ROOT/build/host-shots
OUT=${SHOTS_OUT:-$ROOT/docs}
mkdir -p "$OUT" "$SHOTS"

# state, seconds until the picture is taken (the maintenance pose plays a whole round first)
for shot in idle:12 busy:12 panel:9 maintenance:28; do
    state=${shot%%:*}
    seconds=${shot##*:}
    dir=$SHOTS/$state
    rm -rf "$dir"
    mkdir -p "$dir"
    cp "$ROOT"/samples/host/*.TXT "$dir/"
    printf 'Ann\r\nBob Smith\r\nCleo\r\nDev\r\nEve\r\nList2\r\nBob Smith\r\n' >"$dir/GORVATH.SAV"
    cat >"$dir/pose.sh" <<EOF
cd '$dir'
desktop="explorer /desktop=Tumbleroo,1024x768"
wine \$desktop '$BIN/worldsim.exe' --scenario '$(winepath -w "$ROOT/samples/host/room.txt")' --transcript world.log &
sleep 3
wine \$desktop '$BIN/host_driver.exe' pose $state '$(winepath -w "$dir")' '$(winepath -w "$dir/rect.txt")' >driver.log 2>&1 &
EOF
    bash "$ROOT/scripts/screenshot.sh" "$dir/screen.png" "$seconds" "bash '$dir/pose.sh'" >/dev/null
    if [ ! -s "$dir/rect.txt" ]; then
        echo "no picture of $state: the pose did not finish in $seconds s (see $dir/driver.log)" >&2
        exit 1
    fi
    read -r left top width height <"$dir/rect.txt"
    convert "$dir/screen.png" -crop "${width}x${height}+${left}+${top}" +repage "$OUT/gorvath-$state.png"
    echo "saved $OUT/gorvath-$state.png"
done
