#!/usr/bin/env bash
# Times whole update passes of the client against local servers and prints
# the figures (bench/update_bench.cpp): a private Wine prefix in
# build/bench-run, nginx started for the build's host names, both stopped at
# the end. Arguments go to update_bench.exe (--records N, --repeat N).
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
build=${KARVEX_BUILD_DIR:-$root/build}
run=$build/bench-run
harness=$root/tests/wine/harness.sh
servers=$root/tests/wine/servers/update-servers.sh

bin=$build/win/bin
[ "$("$root/tests/wine/wine-arch.sh")" = win64 ] && bin=$build/win64/bin
[ -x "$bin/update_bench.exe" ] || { echo "update_bench: build first (cmake --build $build)" >&2; exit 1; }

hosts=()
for variable in KARVEX_WEB_HOST KARVEX_UPDATE_HOST1 KARVEX_UPDATE_HOST2 KARVEX_UPDATE_HOST3 KARVEX_STAT_HOST; do
    hosts+=("$(sed -n "s/^$variable:STRING=//p" "$build/CMakeCache.txt")")
done

cleanup() {
    "$servers" stop "$run" || true
    "$harness" teardown "$run" >/dev/null || true
}
trap cleanup EXIT
"$harness" setup "$run" >/dev/null
"$servers" start "$run" "${hosts[@]}" >/dev/null
"$harness" exec "$run" "$bin/update_bench.exe" "$@"
