# Sourced by the other scripts: where the builds and the Wine prefix live.
ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
NATIVE_BUILD=$ROOT/build/native
WIN_BUILD=$ROOT/build/win
export WINEPREFIX=$WIN_BUILD/wineprefix
export WINEDEBUG=${WINEDEBUG:--all}
# No Mono or Gecko installers: nothing here needs them, and their prompts would hang a headless run.
export WINEDLLOVERRIDES="mscoree,mshtml="
