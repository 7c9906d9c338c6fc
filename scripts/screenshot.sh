#!/usr/bin/env bash
# Starts the program on a simulated unit on a virtual display and saves pictures of it.
#   scripts/screenshot.sh [OUTPUT.png] [WIDTHxHEIGHT] [MODEL]
#       the main window once the parameter list is filled (default docs/screenshot.png,
#       1920x1080, the default simulated unit)
#   scripts/screenshot.sh --all [WIDTHxHEIGHT]
#       every window into docs/: the main window (screenshot.png), the protocol trace
#       (protocol-trace.png), the serial settings during a scan (serial-settings-scan.png), the
#       file comment asked by Save As (file-comment.png) and the firmware choice for a unit
#       that cannot be identified (firmware-choice.png)
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/deps.sh
# Virtual display, a window manager for the title bar, window search, and picture tools.
qu32_install_deps xvfb xauth openbox xdotool imagemagick x11-utils

all=""
if [ "${1:-}" = "--all" ]; then
    all=1
    shift
    output=docs/screenshot.png
    size=${1:-1920x1080}
    model=""
else
    output=${1:-docs/screenshot.png}
    size=${2:-1920x1080}
    model=${3:-}
fi
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

qu32_pid=""
# Starts qu32 on a fresh program folder (the default configuration, nothing from earlier runs).
start_qu32() {
    local folder=$1
    shift
    mkdir -p "$folder"
    build/src/app/qu32 --program-folder "$folder" "$@" >"$folder/qu32.log" 2>&1 </dev/null &
    qu32_pid=$!
    pids+=($qu32_pid)
}
stop_qu32() {
    kill "$qu32_pid" 2>/dev/null || true
    wait "$qu32_pid" 2>/dev/null || true
}

# The main window once its caption names the unit (before, it says offline or shows the
# progress of initialising).
window=""
wait_for_unit() {
    window=""
    for _ in $(seq 300); do
        for w in $(xdotool search --class qu32 2>/dev/null || true); do
            case "$(xdotool getwindowname "$w" 2>/dev/null)" in
                *"(Offline)"* | *"(Disabled)"* | *Initializing*) ;;
                *"  -  "*) window=$w ;;
            esac
        done
        [ -n "$window" ] && return 0
        sleep 0.1
    done
    echo "The window did not show a unit within 30 s; log:" >&2
    cat "$1/qu32.log" >&2
    exit 1
}

# The first window whose title is exactly TITLE, waiting up to 10 s.
find_window() {
    for _ in $(seq 100); do
        for w in $(xdotool search --name "^$1\$" 2>/dev/null || true); do
            echo "$w"
            return 0
        done
        sleep 0.1
    done
    echo "No window titled '$1' appeared" >&2
    return 1
}

# A picture taken while the server is still drawing comes out empty; take it again then.
picture() {
    local out=$1
    shift
    for _ in $(seq 10); do
        import "$@" "$out"
        [ "$(convert "$out" -format '%[fx:standard_deviation>0]' info:)" = 1 ] && return 0
        sleep 0.5
    done
    echo "The picture $out stayed empty" >&2
    exit 1
}

# Brings a window to the front for the keys that follow; the window manager may still be
# settling after a window appeared, so it is asked a few times.
activate() {
    for _ in $(seq 20); do
        xdotool windowactivate --sync "$1" 2>/dev/null && return 0
        sleep 0.2
    done
    xdotool windowfocus --sync "$1"
}

# One window with its frame.
window_picture() {
    picture "$1" -frame -window "$2"
    echo "Saved $1 ($(xdotool getwindowname "$2"))"
}

# The main window: the whole screen, trimmed to the window.
start_qu32 "$work/main" "--simulate${model:+=$model}"
wait_for_unit "$work/main"
sleep 1.5   # a few polling passes, so inputs, outputs and the bar show live values
picture "$output" -window root
convert "$output" -trim +repage "$output"
echo "Saved $output ($(xdotool getwindowname "$window"))"
[ -z "$all" ] && exit 0

docs=$(dirname "$output")
# The same window's protocol trace, after a few seconds of polling.
activate "$window"
xdotool key --window "$window" alt+t
sleep 0.5
xdotool key t
trace=$(find_window "Protocol Trace")
sleep 3
window_picture "$docs/protocol-trace.png" "$trace"
xdotool windowminimize "$trace"

# Comms > Comm Settings, then Start Scanning (the button's place in the dialog's design,
# below the menu bar), and a picture while the scan runs.
activate "$window"
xdotool key --window "$window" alt+c
sleep 0.5
xdotool key s
settings=$(find_window "Com Settings")
sleep 1
activate "$settings"
# The dialog is 530 high by design below its menu bar; the button's middle is at 434, 167.
height=$(xdotool getwindowgeometry "$settings" | awk '/Geometry/{split($2, a, "x"); print a[2]}')
xdotool mousemove --window "$settings" 434 $((height - 530 + 167)) click 1
sleep 2
window_picture "$docs/serial-settings-scan.png" "$settings"
stop_qu32

# File > Save As asks for the file's comment.
start_qu32 "$work/file" --simulate
wait_for_unit "$work/file"
activate "$window"
xdotool key --window "$window" alt+f
sleep 0.5
xdotool key a
chooser=$(find_window "SAVE FILE AS ...")
sleep 0.5
xdotool type --window "$chooser" --delay 20 "$work/file/line7.par"
xdotool key --window "$chooser" Return
comment=$(find_window "File Comments")
sleep 0.5
xdotool type --window "$comment" --delay 20 "Line 7, spare unit after the service of May"
sleep 0.5
window_picture "$docs/file-comment.png" "$comment"
stop_qu32

# A unit the program cannot name, with two description files to choose from.
mkdir -p "$work/choice"
cp sim/descriptions/Line-A.cof sim/descriptions/Line-B.cof "$work/choice/"
start_qu32 "$work/choice" --simulate=um516x
choice=$(find_window "QU 3.2 nimbus")
sleep 1
window_picture "$docs/firmware-choice.png" "$choice"
stop_qu32
