#!/usr/bin/env bash
# Draws the programs' icons with ImageMagick and writes them beside the programs (committed, so that building
# needs no ImageMagick): host/Gorvath.ico, a tumbling die; configurator/Vantrel.ico, two linked rings.
# Each .ico holds 16, 24, 32, 48 and 256 pixel images drawn from one 256 pixel picture.
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/env.sh"
install_missing imagemagick
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# The die: a white rounded square tilted by 20 degrees on a cyan disc, five red pips.
convert -size 256x256 xc:none \
    -fill '#00c8c8' -stroke '#006464' -strokewidth 8 -draw 'circle 128,128 128,8' \
    \( -size 256x256 xc:none -fill white -stroke black -strokewidth 10 -draw 'roundrectangle 58,58 198,198 26,26' \
       -fill '#e00000' -stroke none \
       -draw 'circle 92,92 92,110' -draw 'circle 164,92 164,110' -draw 'circle 128,128 128,146' \
       -draw 'circle 92,164 92,182' -draw 'circle 164,164 164,182' \
       -distort SRT 20 \) -composite "$work/gorvath.png"

# The link: two thick interlocked rings, blue and red, the blue one drawn over the red one at one crossing.
convert -size 256x256 xc:none -fill none -strokewidth 30 \
    -stroke '#d01010' -draw 'circle 160,128 160,48' \
    -stroke '#1040d0' -draw 'circle 96,128 96,48' \
    -stroke '#d01010' -draw 'ellipse 160,128 80,80 95,135' "$work/vantrel.png"

make_ico() {
    local png=$1 out=$2 sizes=()
    for s in 16 24 32 48 256; do
        convert "$png" -resize ${s}x${s} "$work/$s.png"
        sizes+=("$work/$s.png")
    done
    convert "${sizes[@]}" "$out"
    echo "wrote $out"
}
make_ico "$work/gorvath.png" "$ROOT/host/Gorvath.ico"
make_ico "$work/vantrel.png" "$ROOT/configurator/Vantrel.ico"
