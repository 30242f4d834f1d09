#!/bin/sh
# SPDX-License-Identifier: GPL-3.0-or-later
# Remakes a screenshot of the README: the first moves of a game in a private
# X server with a window manager, which opens the game maximised,
# photographed after a wrong answer and the next question. SCREEN is the
# screen's size in pixels; SCALE the desktop's scaling (1.5 for 150 %).
# Usage: scripts/screenshot.sh [build-dir] [output.png] [SCREEN] [SCALE]
#   e.g. scripts/screenshot.sh build docs/laptop-150.png 1366x768 1.5
set -eu
program=${1:-build}/src/quizzola
out=${2:-docs/screenshot.png}
screen=${3:-1024x700}
[ -x "$program" ] || { echo "Build the game first: $program is missing" >&2; exit 1; }

work=$(mktemp -d)
export QT_QPA_PLATFORM=xcb HOME=$work XDG_DATA_HOME=$work/data
export QT_SCALE_FACTOR=${4:-1}
# A free display, which Xvfb names once it is ready for clients.
Xvfb -displayfd 3 -screen 0 "${screen}x24" -nolisten tcp 3>"$work/display" >/dev/null 2>&1 &
xvfb=$! game="" wm=""
# The game first, so that it does not see its X server go.
trap 'kill $game 2>/dev/null; wait $game 2>/dev/null; kill $wm $xvfb 2>/dev/null; rm -rf "$work"' EXIT
for _ in $(seq 100); do [ -s "$work/display" ] && break; sleep 0.1; done
export DISPLAY=:$(cat "$work/display")
openbox >/dev/null 2>&1 &
wm=$!
for _ in $(seq 100); do xprop -root _NET_SUPPORTING_WM_CHECK | grep -q 'window id' && break; sleep 0.1; done

# Waits up to 10 s for a visible window with this exact title; prints its id.
window() {
    for _ in $(seq 100); do
        xdotool search --onlyvisible --name "^$1\$" 2>/dev/null | head -n 1 | grep . && return
        sleep 0.1
    done
    echo "No window titled '$1' appeared" >&2 && return 1
}

# A standing record, so that the record line is filled in.
mkdir -p "$XDG_DATA_HOME/quizzola"
printf '7\r\n' >"$XDG_DATA_HOME/quizzola/tavrec9.txt"
printf 'Giulia\r\n' >"$XDG_DATA_HOME/quizzola/ntavrec9.txt"

"$program" &
game=$!
xdotool windowfocus --sync "$(window Quizzola)" type --delay 40 "Mario"
xdotool key Return
sleep 0.5
xdotool windowfocus --sync "$(window Quizzola)" key Return
id=$(window "Gioca con la Quizzola")
xdotool windowfocus --sync "$id"
sleep 0.5
# Wrong on purpose (no product of 9 is 1000): the feedback shows the result.
xdotool type --delay 40 "1000"
xdotool key Return
xdotool key alt+n
sleep 1.5
import -window root "$out"
echo "Wrote $out"
