#!/usr/bin/env bash
# Renders the game host's windows under Xvfb (scripts/screenshot.sh) and saves them into docs/:
#   docs/gorvath-idle.png         the HostWindow after a draw and a picked category
#   docs/gorvath-busy.png         the HostWindow during the countdown of "GIVE CATEGORY" (red, disabled)
#   docs/gorvath-panel.png        the macro title panel opened by "Setup"
#   docs/gorvath-maintenance.png  the HostWindow with the PlayerMaintenanceWindow beside it, after a round
#   docs/gorvath-season.png       the Season window over a few evenings of rounds (one line hand-broken)
#   docs/season-page.png          the SEASON.HTM that window saved, in headless Chromium (when it is installed)
# Each runs the stand-in world with samples/host/room.txt and host_driver.exe, which starts Gorvath.exe and poses
# it; Wine's own desktop window draws the title bars (Xvfb has no window manager). Needs the Windows build
# (scripts/setup.sh); set HOST_BIN to use the binaries of another build tree, SHOTS_OUT to save elsewhere than
# docs/, SCREEN_DPI=144 to draw at 150 % (see scripts/screenshot.sh). Name states to take only those:
#   bash scripts/host_screenshots.sh season
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/env.sh"
BIN=${HOST_BIN:-$WIN_BUILD/bin}
SHOTS=$ROOT/build/host-shots
OUT=${SHOTS_OUT:-$ROOT/docs}
mkdir -p "$OUT" "$SHOTS"

# state, seconds until the picture is taken (the maintenance pose plays a whole round first)
# A few evenings of rounds for the Season window, with a line edited by hand that cannot be read.
season_history() {
    local when=2026-12-0 t=T20:0
    printf 'when,season,player,category,result\r\n'
    printf '%s\r\n' "${when}4${t}1:00,1,Ann,Fruits,WINNER" "${when}4${t}3:10,1,Bob Smith,Animals,LOSER" \
        "${when}4${t}5:40,1,Cleo,\"Rivers, long ones\",WINNER" "${when}5${t}1:05,1,Dev,Cars,LOSER" \
        "${when}5${t}2:30,1,Ann,Cities,WINNER" "${when}5${t}4:00,1,Eve,Fruits,WINNER" "${when}5 20:07,1,Finn,x,WINNER" \
        "${when}6${t}0:15,1,Z$(printf '\xe9')lie,Birds,WINNER" "${when}6${t}2:50,1,Bob Smith,Trees,WINNER" \
        "${when}6${t}4:20,1,Ann,Songs,LOSER" "${when}7${t}1:45,1,Cleo,Games,WINNER" "${when}7${t}3:30,1,Dev,Fish,LOSER" \
        "${when}7${t}6:00,1,Ann,Colours,WINNER" "${when}8${t}2:10,1,Eve,Tools,LOSER" "${when}8${t}5:55,1,Cleo,Sports,LOSER"
}

states=${*:-idle busy panel maintenance season}
for shot in idle:12 busy:12 panel:9 maintenance:28 season:12; do
    state=${shot%%:*}
    [[ " $states " == *" $state "* ]] || continue
    seconds=${shot##*:}
    dir=$SHOTS/$state
    rm -rf "$dir"
    mkdir -p "$dir"
    cp "$ROOT"/samples/host/*.TXT "$dir/"
    printf 'Ann\r\nBob Smith\r\nCleo\r\nDev\r\nEve\r\nList2\r\nBob Smith\r\n' >"$dir/GORVATH.SAV"
    [ "$state" != season ] || season_history >"$dir/ROUNDS.CSV"
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
    if [ "$state" = season ]; then
        if command -v chromium >/dev/null; then
            profile=$(mktemp -d)
            chromium --headless --no-sandbox --disable-gpu --disable-quic --no-first-run --disable-background-networking \
                --disable-component-update --disable-sync --hide-scrollbars --user-data-dir="$profile" \
                --window-size=720,760 --screenshot="$OUT/season-page.png" "file://$dir/SEASON.HTM" >/dev/null 2>&1
            rm -rf "$profile"
            echo "saved $OUT/season-page.png"
        else
            echo "no picture of SEASON.HTM: chromium is not installed" >&2
        fi
    fi
done
