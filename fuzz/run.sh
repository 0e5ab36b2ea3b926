#!/usr/bin/env bash
# Builds the fuzz targets with clang (in build-fuzz/, or $KARVEX_FUZZ_BUILD)
# and runs each for a bounded time. A crash leaves its input as
# build-fuzz/fuzz/crash-<target>-* and makes the script fail.
# usage: fuzz/run.sh [SECONDS_EACH] [full_list|difference|apply|gunzip|manifest|index]...
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
build=${KARVEX_FUZZ_BUILD:-$root/build-fuzz}
seconds=${1:-60}
shift || true
targets=("$@")
[ ${#targets[@]} -gt 0 ] || targets=(full_list difference apply gunzip manifest index)

if [ ! -f "$build/CMakeCache.txt" ]; then
    cmake -S "$root" -B "$build" -G Ninja -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ >/dev/null
fi
cmake --build "$build" --target "${targets[@]/#/fuzz_}" >/dev/null

for name in "${targets[@]}"; do
    corpus=$build/fuzz/corpus/$name
    log=$build/fuzz/$name.log
    mkdir -p "$corpus"
    echo "fuzz_$name: ${seconds}s"
    status=0
    # Inputs may exceed the 64 KiB read buffers; generated seeds start there.
    "$build/fuzz/fuzz_$name" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=1024 -max_len=262144 \
        -print_final_stats=1 -artifact_prefix="$build/fuzz/crash-$name-" \
        "$corpus" "$root/fuzz/seeds/$name" "$build/fuzz/large-seeds/$name" >"$log" 2>&1 || status=$?
    grep -E '^stat::(number_of_executed_units|peak_rss_mb)' "$log" || true
    if [ "$status" -ne 0 ]; then
        tail -n 30 "$log"
        echo "fuzz_$name failed: its input is in $build/fuzz/crash-$name-*"
        exit 1
    fi
done
