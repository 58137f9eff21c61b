# Sourced by the other scripts: where the builds and the Wine prefix live.
ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
NATIVE_BUILD=$ROOT/build/native
WIN_BUILD=$ROOT/build/win
export WINEPREFIX=$WIN_BUILD/wineprefix
export WINEDEBUG=${WINEDEBUG:--all}
# No Mono or Gecko installers: nothing here needs them, and their prompts would hang a headless run.
export WINEDLLOVERRIDES="mscoree,mshtml="

# One persistent wineserver for a whole run (a cold start costs about 0.65 s per program), with Wine's
# background services started here, their output detached: otherwise they inherit the output of the first
# program run, and whoever reads that output (ctest, a pipe) waits for them to end.
start_wine_session() {
    wineserver -p
    wine cmd.exe /c exit </dev/null >/dev/null 2>&1 || true
}
