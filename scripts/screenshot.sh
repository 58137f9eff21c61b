#!/usr/bin/env bash
# Takes screenshots of our Windows programs under a virtual X display.
#
#   scripts/screenshot.sh OUT.png WAIT_SECONDS COMMAND...
# Runs COMMAND (a shell command line using wine, from build/win/bin) under Xvfb with a Wine prefix that
# draws through X11 (a copy of the test prefix without the null driver), waits, saves the whole screen to
# OUT.png, then ends Wine. Needs: xvfb imagemagick fonts-wine (installed when missing); Wine's own fonts draw
# the symbols of the caption buttons. SCREEN_DPI=144 draws at 144 DPI (150 %).
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/env.sh"
out=$(realpath -m "$1"); wait_s=$2; shift 2

install_missing xvfb imagemagick fonts-wine

# A copy of the test prefix that draws through X11, one per screen DPI (SCREEN_DPI, default 96).
dpi=${SCREEN_DPI:-96}
X11_PREFIX=$WIN_BUILD/wineprefix-x11
[ "$dpi" = 96 ] || X11_PREFIX=$WIN_BUILD/wineprefix-x11-$dpi
wineserver -k >/dev/null 2>&1 || true
derive_prefix "$X11_PREFIX"
if [ $DERIVED = yes ]; then
    # Wine's own fonts (fonts-wine) where this Wine looks for them: in C:\windows\Fonts. Without Marlett the
    # caption buttons show the letters "0 1 r" instead of their symbols.
    cp /usr/share/wine/fonts/*.ttf "$X11_PREFIX/drive_c/windows/Fonts/"
    (
        export WINEPREFIX=$X11_PREFIX
        wine reg delete 'HKCU\Software\Wine\Drivers' /v Graphics /f >/dev/null 2>&1 || true
        wine reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d "$dpi" /f >/dev/null 2>&1
        wine reg add 'HKLM\System\CurrentControlSet\Hardware Profiles\Current\Software\Fonts' /v LogPixels \
            /t REG_DWORD /d "$dpi" /f >/dev/null 2>&1
        wineserver -k >/dev/null 2>&1 || true
    )
fi
export WINEPREFIX=$X11_PREFIX

display=:$(( 90 + RANDOM % 9 ))
Xvfb "$display" -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
xvfb=$!
trap 'wineserver -k >/dev/null 2>&1 || true; kill $xvfb 2>/dev/null || true' EXIT
sleep 1
export DISPLAY=$display
cd "$WIN_BUILD/bin"
bash -c "$*" &
sleep "$wait_s"
import -window root "$out"
echo "saved $out"
