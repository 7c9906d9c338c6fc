#!/usr/bin/env bash
# Sets up, builds and starts the program on a simulated unit.
#   scripts/run.sh                  the main window on the simulated unit
#   scripts/run.sh ARGS...          qu32 with these arguments instead, e.g. --simulate=nt876
# While it runs, type unplug, replug or "model NAME" into this terminal to see the window
# follow a unit that goes away or is replaced.
# Without a display the same main cycle runs headless (qu32-cli monitor) and prints what the
# window would show; the arguments then go to qu32-cli. Ctrl+C ends it.
# QU32_BUILD_DIR=DIR runs the programs already built in DIR and skips the set-up (the tests).
set -euo pipefail
cd "$(dirname "$0")/.."

build=${QU32_BUILD_DIR:-}
if [ -z "$build" ]; then
    build=build
    source scripts/deps.sh
    qu32_install_deps
    cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
    cmake --build build -j "$(nproc 2>/dev/null || echo 2)" --target qu32 qu32-cli qu32-unitsim
fi

if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
    echo "No display: the window needs one (scripts/screenshot.sh pictures it on a virtual" \
         "display). Running its main cycle here instead: qu32-cli monitor, Ctrl+C ends it." >&2
    simulate=(--simulate)
    for a in "$@"; do
        case "$a" in --simulate*|--port*) simulate=() ;; esac
    done
    exec "$build/src/cli/qu32-cli" "${simulate[@]}" "$@" monitor
fi
# The configuration file is written beside the program, in the build folder.
if [ $# -gt 0 ]; then
    exec "$build/src/app/qu32" "$@"
fi
exec "$build/src/app/qu32" --simulate
