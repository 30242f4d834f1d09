#!/bin/sh
# Takes the README's screenshot: plays the first moves of a game in a
# private X server and photographs the window after a right answer.
#
# Usage: scripts/screenshot.sh [build-dir] [output.png]
set -eu

build=${1:-build}
out=${2:-docs/screenshot.png}
program=$build/src/quizzola
[ -x "$program" ] || { echo "Build the game first: $program is missing" >&2; exit 1; }

work=$(mktemp -d)
display=:$((90 + $$ % 9))
Xvfb "$display" -screen 0 1024x700x24 -nolisten tcp >/dev/null 2>&1 &
xvfb=$!
game=""
cleanup() {
    [ -n "$game" ] && kill "$game" 2>/dev/null || true
    kill "$xvfb" 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT
export DISPLAY=$display QT_QPA_PLATFORM=xcb XDG_DATA_HOME=$work/data HOME=$work

# Waits for a visible window with this exact title and prints its id.
window() {
    for _ in $(seq 100); do
        id=$(xdotool search --onlyvisible --name "^$1\$" 2>/dev/null | head -n 1) || true
        [ -n "$id" ] && { echo "$id"; return 0; }
        sleep 0.1
    done
    echo "No window titled '$1' appeared" >&2
    return 1
}

printf '7\r\n' >/dev/null
mkdir -p "$XDG_DATA_HOME/quizzola"
printf '7\r\n' >"$XDG_DATA_HOME/quizzola/tavrec9.txt"
printf 'Giulia\r\n' >"$XDG_DATA_HOME/quizzola/ntavrec9.txt"

"$program" &
game=$!
id=$(window Quizzola)
xdotool windowfocus --sync "$id" type --delay 40 "Mario"
xdotool key Return
sleep 0.5
id=$(window Quizzola)
xdotool windowfocus --sync "$id" key Return
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
