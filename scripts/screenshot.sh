#!/usr/bin/env bash
# Starts the program on a simulated unit on a virtual display, waits until the parameter list
# is filled and saves a picture of the screen.
#   scripts/screenshot.sh [OUTPUT.png] [WIDTHxHEIGHT] [MODEL]
# Defaults: docs/screenshot.png, 1920x1080, the default simulated unit.
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/deps.sh
# Virtual display, a window manager for the title bar, window search, and picture tools.
qu32_install_deps xvfb xauth openbox xdotool imagemagick x11-utils

output=${1:-docs/screenshot.png}
size=${2:-1920x1080}
model=${3:-}
mkdir -p "$(dirname "$output")"

cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j "$(nproc 2>/dev/null || echo 2)" --target qu32

work=$(mktemp -d)
pids=()
cleanup() {
    for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
    [ -n "${QU32_KEEP_LOGS:-}" ] && echo "logs in $work" || rm -rf "$work"
}
trap cleanup EXIT

# A free display number: the first without a lock file.
display=99
while [ -e "/tmp/.X${display}-lock" ]; do display=$((display + 1)); done
Xvfb ":$display" -screen 0 "${size}x24" -nolisten tcp >"$work/xvfb.log" 2>&1 &
pids+=($!)
export DISPLAY=":$display"
for _ in $(seq 50); do xdpyinfo >/dev/null 2>&1 && break; sleep 0.1; done
openbox >"$work/openbox.log" 2>&1 &
pids+=($!)
# A window mapped while the window manager is still starting may never be shown.
for _ in $(seq 50); do
    xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id' && break
    sleep 0.1
done

export XDG_RUNTIME_DIR="$work/runtime"
mkdir -m 700 "$XDG_RUNTIME_DIR"
# A fresh program folder: the default configuration, nothing from earlier runs.
build/src/app/qu32 --program-folder "$work" "--simulate${model:+=$model}" \
    >"$work/qu32.log" 2>&1 </dev/null &
pids+=($!)

# The caption names the unit once the list is filled; before, it says offline or shows the
# progress of initialising.
window=""
for _ in $(seq 300); do
    for w in $(xdotool search --class qu32 2>/dev/null || true); do
        case "$(xdotool getwindowname "$w" 2>/dev/null)" in
            *"(Offline)"* | *"(Disabled)"* | *Initializing*) ;;
            *"  -  "*) window=$w ;;
        esac
    done
    [ -n "$window" ] && break
    sleep 0.1
done
if [ -z "$window" ]; then
    echo "The window did not show a unit within 30 s; log:" >&2
    cat "$work/qu32.log" >&2
    exit 1
fi
sleep 1.5   # a few polling passes, so inputs, outputs and the bar show live values
# A picture taken while the server is still drawing comes out empty; take it again then.
for _ in $(seq 10); do
    import -window root "$output"
    [ "$(convert "$output" -format '%[fx:standard_deviation>0]' info:)" = 1 ] && break
    sleep 0.5
done
if [ "$(convert "$output" -format '%[fx:standard_deviation>0]' info:)" != 1 ]; then
    echo "The screen stayed empty; log:" >&2
    cat "$work/qu32.log" >&2
    exit 1
fi
# Only the window, not the empty screen around it.
convert "$output" -trim +repage "$output"
echo "Saved $output ($(xdotool getwindowname "$window"))"
