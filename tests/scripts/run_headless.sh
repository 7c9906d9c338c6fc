#!/usr/bin/env bash
# scripts/run.sh on a machine without a display: it must say why there is no window, show the
# main cycle polling the simulated unit, and end cleanly on Ctrl+C.
#   run_headless.sh SOURCE_DIR BUILD_DIR
set -uo pipefail
source_dir=$1
build_dir=$2
out=$(mktemp)
trap 'rm -f "$out"' EXIT
# A folder of its own for the configuration file the program writes.
folder=$(mktemp -d)
trap 'rm -rf "$out" "$folder"' EXIT

env -u DISPLAY -u WAYLAND_DISPLAY QU32_BUILD_DIR="$build_dir" \
    timeout -s INT -k 5 8 "$source_dir/scripts/run.sh" --program-folder "$folder" >"$out" 2>&1
status=$?
cat "$out"
fail() { echo "FAIL: $1"; exit 1; }
# 124: ended by the interrupt within the grace time; 137 would be a kill after it hung.
[ "$status" -eq 124 ] || fail "ended with status $status, not by the interrupt"
grep -q "^No display: the window needs one" "$out" || fail "no line saying why there is no window"
grep -q "scripts/screenshot.sh" "$out" || fail "no pointer to the screenshot script"
grep -Eq "QU 3.2 nimbus  -  .* Version .*\| value " "$out" || fail "no polling line"
echo "OK"
