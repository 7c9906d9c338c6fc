#!/usr/bin/env bash
# Sets up, builds and runs the program against the simulated unit.
#   scripts/run.sh                  identify and describe a simulated unit, then read and write
#   scripts/run.sh ARGS...          run qu32-cli with these arguments instead
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/deps.sh
qu32_install_deps

cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j "$(nproc 2>/dev/null || echo 2)" --target qu32-cli qu32-unitsim
cli=build/src/cli/qu32-cli
if [ $# -gt 0 ]; then
    exec "$cli" "$@"
fi
set -x
"$cli" --simulate --trace identify
"$cli" --simulate read 01
"$cli" --simulate write 02 000777
"$cli" --simulate --trace read 7z || true
