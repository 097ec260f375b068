#!/usr/bin/env bash
# Runs the real viewer under Xvfb and takes screenshots of the main flows: start-up dialog, main
# window, camera list, live view, recording, playback of the new recording, settings panel.
#   tools/screenshots.sh [OUTPUT_DIR]      (default docs/screenshots; needs a build in build/)
# The clicks assume the 1280x800 screen below, where the main window opens centred.
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
out=$(realpath -m "${1:-$root/docs/screenshots}")
mkdir -p "$out"

if [ -z "${OSTREL_IN_XVFB:-}" ]; then
    OSTREL_IN_XVFB=1 exec xvfb-run -a -s "-screen 0 1280x800x24" "$0" "$out"
fi

work=$(mktemp -d)
trap 'kill "$viewer" 2>/dev/null || true; rm -rf "$work"' EXIT
cd "$work"

shot() { sleep "$2"; import -window root "$out/$1.png"; }
click() { xdotool mousemove "$1" "$2" click 1; }
type_path() { xdotool key ctrl+a; xdotool type --delay 5 "$1"; xdotool key Return; }

"$root/build/ostrel" > "$work/viewer.log" 2>&1 &
viewer=$!

shot startup_dialog 1
shot main_window 2.5

click 277 96 && sleep 0.5 && xdotool key Down Return   # Device > Open Camera
shot camera_list 1.2
click 779 683                                           # Open
shot live_view 2

click 405 195                                           # unfold Display
shot settings_panel 0.5

click 613 601                                           # Record
sleep 1.2 && type_path "$work/take.raw"
shot recording 3
click 613 601                                           # stop recording

click 222 96 && sleep 0.5 && xdotool key Down Return   # File > Open Recording
sleep 1.2 && type_path "$work/take.raw"
shot playback 2.5

echo "screenshots in $out"
