#!/usr/bin/env bash
# Builds the release packages into dist/ (from the repository root, on Debian 12; installs what it needs):
#   Tumbleroo-<version>-win64.zip    the 64-bit programs, sample files, the operator's guide, the rehearsal world
#   Tumbleroo-<version>-win32.zip    the same, 32-bit
#   Tumbleroo-<version>-setup.exe    per-user installer (64-bit programs on 64-bit Windows, 32-bit elsewhere)
#   SHA256SUMS
# The version is the CMake project version (top CMakeLists.txt). The binaries are the ones the tests ran
# (build/win, build/win32), stripped of their debug information.
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/env.sh"
[ -n "${TUMBLEROO_SET_UP:-}" ] || bash "$ROOT/scripts/setup.sh"

SHIPPED=(Gorvath Vantrel zmvorq worldsim)
echo "== 32-bit Windows build (${SHIPPED[*]})" >&2
configure "$WIN32_BUILD" -DCMAKE_TOOLCHAIN_FILE="$ROOT/cmake/toolchain-mingw32.cmake" "${WIN_FLAGS[@]}"
for target in "${SHIPPED[@]}"; do
    # One target at a time: make builds the parts they share once.
    cmake --build "$WIN32_BUILD" -j"$(nproc)" --target "$target" >/dev/null
done

version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$WIN_BUILD/CMakeCache.txt")
[ -n "$version" ] || { echo "no project version in $WIN_BUILD/CMakeCache.txt" >&2; exit 1; }
DIST=$ROOT/dist
STAGE=$ROOT/build/package
rm -rf "$STAGE"
mkdir -p "$DIST" "$STAGE/data"
rm -f "$DIST"/Tumbleroo-*-win64.zip "$DIST"/Tumbleroo-*-win32.zip "$DIST"/Tumbleroo-*-setup.exe "$DIST/SHA256SUMS"

# Texts for Windows: CR LF line ends.
crlf() { sed -e 's/\r$//' -e 's/$/\r/' "$1" >"$2"; }
crlf <(sed "s/@VERSION@/$version/g" "$ROOT/release/OPERATOR-GUIDE.txt") "$STAGE/data/OPERATOR-GUIDE.TXT"
for f in "$ROOT"/samples/host/GORVATH.TXT "$ROOT"/samples/host/MACTITS.TXT "$ROOT"/samples/host/MACRO*.TXT; do
    crlf "$f" "$STAGE/data/$(basename "$f")"
done
crlf "$ROOT/samples/host/room.txt" "$STAGE/data/ROOM.TXT"

# One folder per build, as the zip holds it: Tumbleroo-<version>-<arch>/...
for arch in win64 win32; do
    if [ $arch = win64 ]; then bin=$WIN_BUILD/bin strip=x86_64-w64-mingw32-strip; else
        bin=$WIN32_BUILD/bin strip=i686-w64-mingw32-strip; fi
    name=Tumbleroo-$version-$arch
    dir=$STAGE/$name
    mkdir -p "$dir/Rehearsal" "$STAGE/bin-$arch"
    for f in Gorvath.exe Vantrel.exe zmvorq.dll worldsim.exe; do
        "$strip" -o "$STAGE/bin-$arch/$f" "$bin/$f"
    done
    cp "$STAGE/bin-$arch"/{Gorvath.exe,Vantrel.exe,zmvorq.dll} "$dir/"
    cp "$STAGE/bin-$arch/worldsim.exe" "$STAGE/data/ROOM.TXT" "$dir/Rehearsal/"
    cp "$STAGE/data"/{OPERATOR-GUIDE.TXT,GORVATH.TXT,MACTITS.TXT} "$STAGE/data"/MACRO*.TXT "$dir/"
    (cd "$STAGE" && TZ=UTC zip -q -X -r "$DIST/$name.zip" "$name")
done

echo "== installer"
makensis -V2 -DVERSION="$version" -DCOPYRIGHT="Copyright (C) $(sed -n 's/^set(TUMBLEROO_COPYRIGHT_YEARS \(.*\))$/\1/p' \
    "$ROOT/CMakeLists.txt") The Tumbleroo developers" \
    -DWIN64_DIR="$STAGE/bin-win64" -DWIN32_DIR="$STAGE/bin-win32" -DDATA_DIR="$STAGE/data" \
    -DICON="$ROOT/host/Gorvath.ico" -DOUTFILE="$DIST/Tumbleroo-$version-setup.exe" "$ROOT/release/installer.nsi"

(cd "$DIST" && sha256sum "Tumbleroo-$version-win64.zip" "Tumbleroo-$version-win32.zip" \
    "Tumbleroo-$version-setup.exe" >SHA256SUMS)
ls -l "$DIST"
