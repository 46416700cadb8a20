#!/usr/bin/env bash
# Builds the fuzz targets with clang and libFuzzer (address and undefined-behaviour sanitizers)
# and runs each for a bounded time from the seed corpus in tests/fuzz/corpus. Fails on any crash,
# leak, hang or memory blow-up; prints the executions per second of each target.
# FUZZ_SECONDS sets the time per target (30 by default).
set -uo pipefail
cd "$(dirname "$0")/.."

seconds=${FUZZ_SECONDS:-30}
out=build-fuzz
CXX=clang++ cmake -S tests/fuzz -B "$out" -DCMAKE_BUILD_TYPE=None >/dev/null || exit 1
cmake --build "$out" -j"$(nproc)" >"$out/build.log" 2>&1 || { tail -n 50 "$out/build.log"; exit 1; }

export ASAN_OPTIONS=detect_leaks=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
status=0
for seeds in tests/fuzz/corpus/*/; do
    name=$(basename "$seeds")
    work="$out/corpus/$name"
    mkdir -p "$work" "$out/artifacts"
    log="$out/$name.log"
    # New inputs go to the work corpus; the seeds in the tree stay as they are.
    if "$out/fuzz_$name" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 \
        -max_len=8192 -print_final_stats=1 -artifact_prefix="$out/artifacts/$name-" \
        "$work" "$seeds" >"$log" 2>&1; then
        runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log")
        rate=$(sed -n 's/^stat::average_exec_per_sec: *//p' "$log")
        echo "fuzz $name: ${runs:-?} runs in ${seconds} s, ${rate:-?} per second"
    else
        status=1
        echo "fuzz $name: FAILED (the input is in $out/artifacts/)"
        grep -E -A25 'ERROR: |check failed|runtime error|deadly signal|timeout' "$log" | head -n 60
    fi
done
exit $status
