#!/bin/sh
# SPDX-License-Identifier: GPL-3.0-or-later
# Remakes the README's screenshot: the first moves of a game in a private X
# server, photographed after a wrong answer and the next question.
# Usage: scripts/screenshot.sh [build-dir] [output.png]
set -eu
program=${1:-build}/src/quizzola
out=${2:-docs/screenshot.png}
[ -x "$program" ] || { echo "Build the game first: $program is missing" >&2; exit 1; }

work=$(mktemp -d)
export DISPLAY=:$((90 + $$ % 9)) QT_QPA_PLATFORM=xcb HOME=$work XDG_DATA_HOME=$work/data
Xvfb "$DISPLAY" -screen 0 1024x700x24 -nolisten tcp >/dev/null 2>&1 &
xvfb=$! game=""
trap 'kill $game $xvfb 2>/dev/null; rm -rf "$work"' EXIT

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
import -window "$id" "$out"
echo "Wrote $out"
