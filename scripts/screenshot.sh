#!/usr/bin/env bash
# Takes screenshots of our Windows programs under a virtual X display.
#
#   scripts/screenshot.sh OUT.png WAIT_SECONDS COMMAND...
# Runs COMMAND (a shell command line using wine, from build/win/bin) under Xvfb with a Wine prefix that
# draws through X11 (a copy of the test prefix without the null driver), waits, saves the whole screen to
# OUT.png, then ends Wine. Needs: xvfb imagemagick (installed when missing).
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/env.sh"
out=$(realpath -m "$1"); wait_s=$2; shift 2

for p in xvfb imagemagick; do
    dpkg -s "$p" >/dev/null 2>&1 || { SUDO=""; [ "$(id -u)" -eq 0 ] || SUDO=sudo
        DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends "$p" >/dev/null; }
done

X11_PREFIX=$WIN_BUILD/wineprefix-x11
if [ ! -d "$X11_PREFIX" ]; then
    WINEPREFIX=$WINEPREFIX wineserver -k >/dev/null 2>&1 || true
    cp -a "$WINEPREFIX" "$X11_PREFIX"
    WINEPREFIX=$X11_PREFIX wine reg delete 'HKCU\Software\Wine\Drivers' /v Graphics /f >/dev/null 2>&1 || true
    WINEPREFIX=$X11_PREFIX wineserver -k >/dev/null 2>&1 || true
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
