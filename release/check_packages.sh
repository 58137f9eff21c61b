#!/usr/bin/env bash
# Checks what scripts/package.sh wrote into DIST for VERSION: the checksums, and each zip's exact list of files,
# its binaries' machine, its texts' CR LF line ends, the absence of any settings file, release notes that begin
# with the version packaged, and its sdk/: the sample builds with the one command of sdk/README.TXT, and a program
# that calls every export of zmvorq.def links against the import library without a warning and imports each by its
# plain name from zmvorq.dll.
#
#   bash release/check_packages.sh DIST VERSION MACRO-FILE...
set -uo pipefail
dist=$1 version=$2
shift 2
macros=("$@")
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

for f in "Tumbleroo-$version-win64.zip" "Tumbleroo-$version-win32.zip" "Tumbleroo-$version-setup.exe" SHA256SUMS; do
    [ -s "$dist/$f" ] || fail "$dist/$f is missing (scripts/package.sh makes it)"
done
[ $failures -eq 0 ] || exit 1
(cd "$dist" && sha256sum --quiet -c SHA256SUMS) || fail "SHA256SUMS does not match"
[ "$(wc -l <"$dist/SHA256SUMS")" -eq 3 ] || fail "SHA256SUMS should list the three packages"

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
for arch in win64 win32; do
    name=Tumbleroo-$version-$arch
    expected=(Gorvath.exe Vantrel.exe zmvorq.dll OPERATOR-GUIDE.TXT CHANGES.txt GORVATH.TXT MACTITS.TXT "${macros[@]}"
              Rehearsal/worldsim.exe Rehearsal/ROOM.TXT Rehearsal/selfcheck.exe Rehearsal/SELFCHECK.CMD sdk/zmvorq.h
              sdk/zmvorq.def sdk/libzmvorq.a sdk/sample.c sdk/README.TXT)
    printf "$name/%s\n" "${expected[@]}" | sort >"$work/expected-$arch"
    unzip -Z1 "$dist/$name.zip" | grep -v '/$' | sort >"$work/actual-$arch"
    diff -u "$work/expected-$arch" "$work/actual-$arch" || fail "$name.zip does not hold exactly the shipped files"
    unzip -q "$dist/$name.zip" -d "$work/$arch"
    root=$work/$arch/$name

    if [ $arch = win64 ]; then format=pei-x86-64 triplet=x86_64-w64-mingw32; else
        format=pei-i386 triplet=i686-w64-mingw32; fi
    objdump=$triplet-objdump
    for b in Gorvath.exe Vantrel.exe zmvorq.dll Rehearsal/worldsim.exe Rehearsal/selfcheck.exe; do
        "$objdump" -f "$root/$b" | grep -q "file format $format\$" || fail "$name: $b is not $format"
        # Stripped: no debug sections travel to the operators.
        ! "$objdump" -h "$root/$b" | grep -q '\.debug_' || fail "$name: $b carries debug information"
        # The version resource, read as its UTF-16 strings (nothing is run): the version packaged and the file's name.
        strings -el "$root/$b" >"$work/strings"
        grep -A1 -x FileVersion "$work/strings" | tail -1 | grep -qx "$version" ||
            fail "$name: $b's version resource does not give FileVersion $version"
        grep -A1 -x OriginalFilename "$work/strings" | tail -1 | grep -qx "$(basename "$b")" ||
            fail "$name: $b's version resource does not name the file"
    done
    for t in OPERATOR-GUIDE.TXT CHANGES.txt GORVATH.TXT MACTITS.TXT "${macros[@]}" Rehearsal/ROOM.TXT Rehearsal/SELFCHECK.CMD \
        sdk/zmvorq.h sdk/zmvorq.def sdk/sample.c sdk/README.TXT; do
        # Every line ends in CR LF: no LF without its CR, and the last line is ended too.
        if grep -q $'[^\r]$' "$root/$t" || grep -q '^$' "$root/$t" || [ "$(tail -c2 "$root/$t" | od -An -tx1 | tr -d ' ')" != 0d0a ]; then
            fail "$name: $t does not have CR LF line ends throughout"
        fi
    done
    grep -q "TUMBLEROO $version - OPERATOR'S GUIDE" "$root/OPERATOR-GUIDE.TXT" || fail "$name: the guide does not name version $version"
    grep -qi 'GORVATH.BAK' "$root/OPERATOR-GUIDE.TXT" || fail "$name: the guide does not tell how to get a lost game back"
    # The release notes begin with the newest version, the one packaged.
    [ "$(grep -m1 -E '^[0-9]+\.[0-9]+\.[0-9]+' "$root/CHANGES.txt" | tr -d '\r')" = "$version" ] ||
        fail "$name: CHANGES.txt does not begin with version $version"

    # The SDK as its README says: the sample in one command, then every export called from one program.
    grep -qF "$triplet-gcc sample.c -o sample.exe -L. -lzmvorq -loleaut32" "$root/sdk/README.TXT" ||
        fail "$name: sdk/README.TXT does not give the command for $triplet"
    names=$(sed -e '1,/^EXPORTS/d' -e 's/[[:space:]]//g' -e '/^$/d' "$root/sdk/zmvorq.def")
    { echo '#include "zmvorq.h"'; echo 'int main(void) { void* volatile p = 0;'; printf '    p = (void*)%s;\n' $names
      echo '    return p == 0; }'; } >"$root/sdk/every_export.c"
    for program in sample every_export; do
        out=$(cd "$root/sdk" && "$triplet-gcc" $program.c -o $program.exe -L. -lzmvorq -loleaut32 2>&1)
        [ $? -eq 0 ] && [ -z "$out" ] || { fail "$name: sdk/$program.c does not build cleanly with $triplet-gcc:"; echo "$out"; continue; }
        imports=$("$objdump" -p "$root/sdk/$program.exe" | sed -n '/DLL Name: zmvorq.dll/,/^$/p' | awk 'NF == 3 && $1 != "DLL" {print $3}' | sort)
        if [ $program = every_export ]; then wanted=$(tr ' ' '\n' <<<"$names" | sort); else
            wanted=$(printf '%s\n' InitDDE KillDDE VorqCommunicate VorqRegister VorqUnregister); fi
        [ "$imports" = "$wanted" ] || fail "$name: sdk/$program.exe imports from zmvorq.dll: $(echo $imports), not: $(echo $wanted)"
    done
done
[ $failures -eq 0 ] && echo "packages of $version: ok"
exit $((failures > 0))
