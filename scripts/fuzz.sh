#!/usr/bin/env bash
# Builds one fuzz target with clang and libFuzzer and runs it on its corpus.
#   scripts/fuzz.sh TARGET SECONDS [libFuzzer options...]
# TARGET is a name under fuzz/corpus (transactions, value_encoding, ...). New inputs go to
# build-fuzz/corpus/TARGET; inputs that found a fault are written to build-fuzz/crashes/TARGET.
# Copy the ones worth keeping into fuzz/corpus/TARGET so that CTest replays them.
set -euo pipefail
cd "$(dirname "$0")/.."

if [ $# -lt 2 ]; then
    echo "usage: $0 TARGET SECONDS [libFuzzer options...]" >&2
    echo "targets: $(ls fuzz/corpus | tr '\n' ' ')" >&2
    exit 2
fi
target=$1
seconds=$2
shift 2
if [ ! -d "fuzz/corpus/$target" ]; then
    echo "unknown target $target" >&2
    exit 2
fi

build=build-fuzz
mkdir -p "$build"
# Two targets run side by side share the build folder; one configures and builds at a time.
(
    flock 9
    cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
        -DCMAKE_CXX_COMPILER=clang++ -DQU32_FUZZ=ON -DQU32_BUILD_TESTS=OFF -DQU32_BUILD_BENCH=OFF \
        >/dev/null
    cmake --build "$build" --target "fuzz_$target" -j "${QU32_FUZZ_JOBS:-2}"
) 9>"$build/.lock"

work="$build/corpus/$target"
crashes="$build/crashes/$target"
mkdir -p "$work" "$crashes"
export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1:abort_on_error=1}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}
# The first folder receives what the run finds; the seed corpus is only read.
exec "$build/fuzz/fuzz_$target" "$work" "fuzz/corpus/$target" \
    -max_total_time="$seconds" -artifact_prefix="$crashes/" -print_final_stats=1 "$@"
