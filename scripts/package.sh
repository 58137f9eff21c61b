#!/usr/bin/env bash
# Builds the release packages into dist/ (from the repository root, on Debian 12; installs what it needs):
#   Tumbleroo-<version>-win64.zip    the 64-bit programs, sample files, the operator's guide, the release notes and
#                                    the rehearsal world
#   Tumbleroo-<version>-win32.zip    the same, 32-bit
#   Tumbleroo-<version>-setup.exe    per-user installer (64-bit programs on 64-bit Windows, 32-bit elsewhere)
#   SHA256SUMS
#
#   bash scripts/package.sh            the packages
#   bash scripts/package.sh --verify   the packages, then the same again from a fresh clone of the commit in a
#                                      scratch folder, without the compiler cache; compares the two SHA256SUMS and
#                                      names the first file that differs (exit 1). Needs a tree without
#                                      uncommitted changes, since the second build has only the commit.
#
# The version is the CMake project version (top CMakeLists.txt). The binaries are those of build/win and build/win32
# (the trees the tests use; the shipped targets are built here), stripped of their debug information.
#
# The same commit gives the same bytes, wherever and whenever it is packaged: every time in the packages is the
# commit's (SOURCE_DATE_EPOCH, its committer time), the binaries hold no build path and no link time (top
# CMakeLists.txt), and the packages list their files in one order with fixed modes.
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/env.sh"

verify=no
case "${1:-}" in
    --verify) verify=yes ;;
    "") ;;
    *)
        echo "usage: bash scripts/package.sh [--verify]" >&2
        exit 2
        ;;
esac
if [ $verify = yes ] && [ -n "$(git -C "$ROOT" status --porcelain --untracked-files=no)" ]; then
    echo "package.sh --verify: the working tree has uncommitted changes, which a fresh clone would not have;" \
        "commit them first" >&2
    exit 2
fi

install_missing cmake googletest g++-mingw-w64-x86-64-posix g++-mingw-w64-i686-posix nsis zip unzip git

if ! SOURCE_DATE_EPOCH=$(git -C "$ROOT" log -1 --format=%ct 2>/dev/null) || [ -z "$SOURCE_DATE_EPOCH" ]; then
    echo "package.sh: $ROOT is not a git checkout; the packages take their times from the commit" >&2
    exit 1
fi
export SOURCE_DATE_EPOCH
# zip writes local times: the commit's time reads the same on every machine.
export TZ=UTC

SHIPPED=(Gorvath Vantrel zmvorq worldsim)
build_shipped() {
    local dir=$1 toolchain=$2 target
    configure "$dir" -DCMAKE_TOOLCHAIN_FILE="$ROOT/cmake/$toolchain" "${WIN_FLAGS[@]}"
    for target in "${SHIPPED[@]}"; do
        # One target at a time: make builds the parts they share once.
        cmake --build "$dir" -j"$(nproc)" --target "$target" >/dev/null
    done
}
echo "== 64-bit Windows build (${SHIPPED[*]})" >&2
build_shipped "$WIN_BUILD" toolchain-mingw.cmake
echo "== 32-bit Windows build (${SHIPPED[*]})" >&2
build_shipped "$WIN32_BUILD" toolchain-mingw32.cmake

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
crlf "$ROOT/release/CHANGES.txt" "$STAGE/data/CHANGES.txt"
for f in "$ROOT"/samples/host/GORVATH.TXT "$ROOT"/samples/host/MACTITS.TXT "$ROOT"/samples/host/MACRO*.TXT; do
    crlf "$f" "$STAGE/data/$(basename "$f")"
done
crlf "$ROOT/samples/host/room.txt" "$STAGE/data/ROOM.TXT"

# One folder per build, as the zip holds it: Tumbleroo-<version>-<arch>/...
for arch in win64 win32; do
    if [ $arch = win64 ]; then bin=$WIN_BUILD/bin strip=x86_64-w64-mingw32-strip; else
        bin=$WIN32_BUILD/bin strip=i686-w64-mingw32-strip; fi
    dir=$STAGE/Tumbleroo-$version-$arch
    mkdir -p "$dir/Rehearsal" "$STAGE/bin-$arch"
    for f in Gorvath.exe Vantrel.exe zmvorq.dll worldsim.exe; do
        # strip writes the PE header's time afresh: the current time, or SOURCE_DATE_EPOCH when it is set (the
        # linker left 0 there).
        "$strip" -o "$STAGE/bin-$arch/$f" "$bin/$f"
    done
    cp "$STAGE/bin-$arch"/{Gorvath.exe,Vantrel.exe,zmvorq.dll} "$dir/"
    cp "$STAGE/bin-$arch/worldsim.exe" "$STAGE/data/ROOM.TXT" "$dir/Rehearsal/"
    cp "$STAGE/data"/{OPERATOR-GUIDE.TXT,CHANGES.txt,GORVATH.TXT,MACTITS.TXT} "$STAGE/data"/MACRO*.TXT "$dir/"
done
# What the zips and the installer record of each file: the commit's time and one mode, whatever this machine's
# clock and umask.
find "$STAGE" -type d -exec chmod 755 {} +
find "$STAGE" -type f -exec chmod 644 {} +
find "$STAGE" -exec touch -d "@$SOURCE_DATE_EPOCH" {} +

# Entries in byte order of their names, folders included; -X leaves out the owner and the extra time fields.
for arch in win64 win32; do
    name=Tumbleroo-$version-$arch
    (cd "$STAGE" && find "$name" | LC_ALL=C sort | zip -q -X -@ "$DIST/$name.zip")
done

echo "== installer" >&2
makensis -V2 -DVERSION="$version" -DCOPYRIGHT="Copyright (C) $(sed -n 's/^set(TUMBLEROO_COPYRIGHT_YEARS \(.*\))$/\1/p' \
    "$ROOT/CMakeLists.txt") The Tumbleroo developers" \
    -DWIN64_DIR="$STAGE/bin-win64" -DWIN32_DIR="$STAGE/bin-win32" -DDATA_DIR="$STAGE/data" \
    -DICON="$ROOT/host/Gorvath.ico" -DOUTFILE="$DIST/Tumbleroo-$version-setup.exe" "$ROOT/release/installer.nsi"

(cd "$DIST" && sha256sum "Tumbleroo-$version-win64.zip" "Tumbleroo-$version-win32.zip" \
    "Tumbleroo-$version-setup.exe" >SHA256SUMS)
ls -l "$DIST"
[ $verify = yes ] || exit 0

# The second build: a clone of the commit in a scratch folder, its own build trees, no compiler cache (whose hits
# would hand it the first build's objects).
commit=$(git -C "$ROOT" rev-parse HEAD)
scratch=$(mktemp -d "${TMPDIR:-/tmp}/tumbleroo-verify.XXXXXX")
echo "== verify: a second build of $commit in $scratch/src" >&2
git init -q "$scratch/src"
git -C "$scratch/src" fetch -q "$ROOT" "$commit"
git -C "$scratch/src" checkout -q --detach FETCH_HEAD
started=$SECONDS
(cd "$scratch/src" && CCACHE_DISABLE=1 bash scripts/package.sh >/dev/null)
echo "== verify: second build took $((SECONDS - started)) s" >&2
other=$scratch/src/dist
if cmp -s "$DIST/SHA256SUMS" "$other/SHA256SUMS"; then
    echo "verify: the second build gave the same bytes:" >&2
    cat "$DIST/SHA256SUMS" >&2
    rm -rf "$scratch"
    exit 0
fi

# The first package that differs, and inside a zip the first entry that does.
while read -r _ file; do
    cmp -s "$DIST/$file" "$other/$file" && continue
    echo "verify: $file differs ($(cmp "$DIST/$file" "$other/$file" 2>&1 | head -1 | sed 's/.*differ: //'))" >&2
    if [[ $file == *.zip ]]; then
        entry=""
        while read -r e; do
            if [ "$(unzip -p "$DIST/$file" "$e" | sha256sum)" != "$(unzip -p "$other/$file" "$e" 2>/dev/null | sha256sum)" ]; then
                entry=$e
                break
            fi
        done < <(unzip -Z1 "$DIST/$file" | grep -v '/$')
        if [ -n "$entry" ]; then
            echo "verify: first differing file in it: $entry" >&2
        else
            echo "verify: every file in it is the same; the zip's own records differ (zipinfo -v shows them)" >&2
        fi
    fi
    break
done <"$DIST/SHA256SUMS"
echo "verify: both builds kept: $DIST and $other" >&2
exit 1
