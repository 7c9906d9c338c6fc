#!/usr/bin/env bash
# Sets up, builds and starts the program on a simulated unit.
#   scripts/run.sh                  the main window on the simulated unit (needs a display)
#   scripts/run.sh ARGS...          qu32 with these arguments instead, e.g. --simulate=nt876
# While it runs, type unplug, replug or "model NAME" into this terminal to see the window
# follow a unit that goes away or is replaced.
set -euo pipefail
cd "$(dirname "$0")/.."
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
    echo "No display to open the window on (DISPLAY is not set)." >&2
    echo "scripts/screenshot.sh runs the program on a virtual display and saves a picture of it." >&2
    exit 1
fi

source scripts/deps.sh
qu32_install_deps

cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j "$(nproc 2>/dev/null || echo 2)" --target qu32 qu32-cli qu32-unitsim
# The configuration file is written beside the program, in the build folder.
if [ $# -gt 0 ]; then
    exec build/src/app/qu32 "$@"
fi
exec build/src/app/qu32 --simulate
