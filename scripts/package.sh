#!/usr/bin/env bash
# Builds the release packages into dist/ (from the repository root, on Debian 12; installs what it needs):
#   Tumbleroo-<version>-win64.zip    the 64-bit programs, sample files, the operator's guide, the release notes,
#                                    the rehearsal world and the self-check (Rehearsal\), and sdk/ for authors of programs that call zmvorq.dll (the
#                                    header, the .def, a MinGW import library, a C sample and its README)
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
# The version is the CMake project version (top CMakeLists.txt). The binaries are built here, in trees of their own,
# build/release-win64 and build/release-win32, configured without the programs' test messages (TEST_HOOKS=OFF: no
# crash, failure, key or file on request of another program), and stripped of their debug information. The test
# trees build/win and build/win32 are neither used nor touched.
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

SHIPPED=(Gorvath Vantrel zmvorq worldsim selfcheck)
RELEASE_WIN64=$ROOT/build/release-win64
RELEASE_WIN32=$ROOT/build/release-win32
build_shipped() {
    local dir=$1 toolchain=$2 target
    configure "$dir" -DCMAKE_TOOLCHAIN_FILE="$ROOT/cmake/$toolchain" "${WIN_FLAGS[@]}" -DTEST_HOOKS=OFF
    for target in "${SHIPPED[@]}"; do
        # One target at a time: make builds the parts they share once.
        cmake --build "$dir" -j"$(nproc)" --target "$target" >/dev/null
    done
}
echo "== 64-bit Windows build (${SHIPPED[*]})" >&2
build_shipped "$RELEASE_WIN64" toolchain-mingw.cmake
echo "== 32-bit Windows build (${SHIPPED[*]})" >&2
build_shipped "$RELEASE_WIN32" toolchain-mingw32.cmake

version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$RELEASE_WIN64/CMakeCache.txt")
[ -n "$version" ] || { echo "no project version in $RELEASE_WIN64/CMakeCache.txt" >&2; exit 1; }
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
crlf "$ROOT/selfcheck/SELFCHECK.CMD" "$STAGE/data/SELFCHECK.CMD"

# The MinGW import library of zmvorq.dll for one architecture (TRIPLET: x86_64-w64-mingw32 or i686-w64-mingw32),
# made in WORK as WORK/libzmvorq.a. The DLL exports the .def's plain names; a caller compiled against zmvorq.h
# refers to the names the compiler gives the header's WINAPI functions (on 32-bit InitDDE@16), so the names come
# from the header as this compiler reads it and --kill-at maps them to the plain exports. Run in WORK with a relative
# output name: dlltool names the library's members and symbols after its output path.
import_library() {
    local triplet=$1 work=$2 names count
    mkdir -p "$work"
    names=$(sed -e '1,/^EXPORTS/d' -e 's/[[:space:]]//g' -e '/^$/d' "$ROOT/linklib/zmvorq.def")
    { echo '#include "zmvorq.h"'; echo 'void* const exports[] = {'; printf '    (void*)%s,\n' $names; echo '};'; } \
        >"$work/exports.c"
    "$triplet-gcc" -c -I"$ROOT/linklib" "$work/exports.c" -o "$work/exports.o"
    { echo "LIBRARY zmvorq.dll"; echo "EXPORTS"; "$triplet-nm" -u "$work/exports.o" | sed -n 's/^ *U _\{0,1\}/    /p'; } \
        >"$work/decorated.def"
    count=$(grep -c '^    ' "$work/decorated.def")
    if [ "$count" -ne "$(wc -w <<<"$names")" ]; then
        echo "package.sh: zmvorq.h as $triplet reads it does not name each export of zmvorq.def once:" >&2
        cat "$work/decorated.def" >&2
        exit 1
    fi
    (cd "$work" && "$triplet-dlltool" --deterministic-libraries --kill-at -d decorated.def -D zmvorq.dll -l libzmvorq.a)
}

# One folder per build, as the zip holds it: Tumbleroo-<version>-<arch>/...
for arch in win64 win32; do
    if [ $arch = win64 ]; then bin=$RELEASE_WIN64/bin triplet=x86_64-w64-mingw32; else
        bin=$RELEASE_WIN32/bin triplet=i686-w64-mingw32; fi
    strip=$triplet-strip
    dir=$STAGE/Tumbleroo-$version-$arch
    mkdir -p "$dir/Rehearsal" "$dir/sdk" "$STAGE/bin-$arch"
    for f in Gorvath.exe Vantrel.exe zmvorq.dll worldsim.exe selfcheck.exe; do
        # strip writes the PE header's time afresh: the current time, or SOURCE_DATE_EPOCH when it is set (the
        # linker left 0 there).
        "$strip" -o "$STAGE/bin-$arch/$f" "$bin/$f"
    done
    cp "$STAGE/bin-$arch"/{Gorvath.exe,Vantrel.exe,zmvorq.dll} "$dir/"
    cp "$STAGE/bin-$arch"/{worldsim.exe,selfcheck.exe} "$STAGE/data"/{ROOM.TXT,SELFCHECK.CMD} "$dir/Rehearsal/"
    cp "$STAGE/data"/{OPERATOR-GUIDE.TXT,CHANGES.txt,GORVATH.TXT,MACTITS.TXT} "$STAGE/data"/MACRO*.TXT "$dir/"
    # The SDK: the header and .def the library is built from, the sample, its README, the import library.
    crlf "$ROOT/linklib/zmvorq.h" "$dir/sdk/zmvorq.h"
    crlf "$ROOT/linklib/zmvorq.def" "$dir/sdk/zmvorq.def"
    crlf "$ROOT/release/sdk/sample.c" "$dir/sdk/sample.c"
    crlf "$ROOT/release/sdk/README.txt" "$dir/sdk/README.TXT"
    import_library $triplet "$STAGE/implib-$arch"
    cp "$STAGE/implib-$arch/libzmvorq.a" "$dir/sdk/"
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
