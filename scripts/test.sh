#!/usr/bin/env bash
# Builds the project and runs every test.   scripts/test.sh [--sanitize]
set -euo pipefail
cd "$(dirname "$0")/.."
# An include against the layers fails at once, not after the build.
scripts/check-layers.sh --self-test
scripts/check-layers.sh
source scripts/deps.sh
qu32_install_deps

build=build
flags=(-DCMAKE_BUILD_TYPE=RelWithDebInfo)
if [ "${1:-}" = "--sanitize" ]; then
    build=build-sanitize
    flags=(-DCMAKE_BUILD_TYPE=Debug -DQU32_SANITIZE=ON -DQU32_BUILD_BENCH=OFF)
    export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1
    export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
fi
jobs=$(nproc 2>/dev/null || echo 2)
cmake -S . -B "$build" -G Ninja "${flags[@]}"
cmake --build "$build" -j "$jobs"
cd "$build"
ctest --output-on-failure -j "$jobs"
