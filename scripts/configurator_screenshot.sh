#!/usr/bin/env bash
# Renders the configurator's window under Xvfb (scripts/screenshot.sh) as it first appears, with the sample
# SCONTROL.TXT, and saves it as docs/configurator.png (SHOTS_OUT to save elsewhere, SCREEN_DPI=144 for 150 %).
# Wine's own desktop window draws the title bar; the picture is cut to the window.
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/env.sh"
OUT=${SHOTS_OUT:-$ROOT/docs}
dir=$ROOT/build/host-shots/configurator
rm -rf "$dir"
mkdir -p "$dir" "$OUT"
cp "$ROOT/samples/host/SCONTROL.TXT" "$dir/"
bash "$ROOT/scripts/screenshot.sh" "$dir/screen.png" 8 \
    "cd '$dir' && wine explorer /desktop=Tumbleroo,1024x768 '$WIN_BUILD/bin/Vantrel.exe'" >/dev/null
# The desktop behind the window is one plain colour: trimming it leaves the window.
convert "$dir/screen.png" -trim +repage "$OUT/configurator.png"
echo "saved $OUT/configurator.png"
