#!/usr/bin/env bash
# Builds the libFuzzer targets in build/fuzz (clang, ASan, UBSan) and runs each one for SECONDS (default 10)
# over a copy of its committed seed corpus. Exits non-zero when any target finds a crash, a leak or a failed
# invariant; the reproducer is left in build/fuzz/findings/<target>/.
#
#   bash scripts/fuzz.sh [SECONDS] [TARGET...]
#
# Longer runs: bash scripts/fuzz.sh 600, or run one binary directly, for example
#   build/fuzz/fuzzers/receive_record_fuzz -max_total_time=3600 build/fuzz/work/receive_record_fuzz
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/env.sh"
seconds=${1:-10}
shift || true
FUZZ_BUILD=$ROOT/build/fuzz

install_missing clang libclang-rt-14-dev cmake

echo "== fuzz build"
CC=clang CXX=clang++ cmake -S "$ROOT" -B "$FUZZ_BUILD" -DFUZZ=ON -DNATIVE_SANITIZE=OFF \
    -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$FUZZ_BUILD" --target fuzz_all -j"$(nproc)" >/dev/null

status=0
while IFS='=' read -r name corpus; do
    [ -n "$name" ] || continue
    if [ $# -gt 0 ] && [[ " $* " != *" $name "* ]]; then continue; fi
    work=$FUZZ_BUILD/work/$name
    findings=$FUZZ_BUILD/findings/$name
    mkdir -p "$work" "$findings"
    [ -d "$corpus" ] && cp -n "$corpus"/* "$work"/ 2>/dev/null || true
    log=$FUZZ_BUILD/logs/$name.log
    mkdir -p "$(dirname "$log")"
    if "$FUZZ_BUILD/fuzzers/$name" -max_total_time="$seconds" -print_final_stats=1 \
            -artifact_prefix="$findings/" "$work" >"$log" 2>&1; then
        runs=$(grep -o 'stat::number_of_executed_units: *[0-9]*' "$log" | grep -o '[0-9]*$' || echo "?")
        cov=$(grep -o 'cov: [0-9]*' "$log" | tail -1 | grep -o '[0-9]*' || echo "?")
        printf '%-32s ok   %10s runs  cov %s\n' "$name" "$runs" "$cov"
    else
        printf '%-32s FAILED (see %s)\n' "$name" "$log"
        tail -40 "$log"
        status=1
    fi
done <"$FUZZ_BUILD/fuzzers.list"
exit $status
