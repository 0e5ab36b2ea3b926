#!/usr/bin/env bash
# Installs what is missing, builds everything and runs every test: the host
# tests of the portable logic and the Windows tests under Wine.
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
build=${KARVEX_BUILD_DIR:-$root/build}

"$root/scripts/install-deps.sh"
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release
cmake --build "$build"
ctest --test-dir "$build" --output-on-failure -j "$(nproc)" "$@"
