#!/usr/bin/env bash
# Records a demo by playing TARVS with real key presses on a virtual X
# display (Xvfb through xvfb-run; needs xdotool): walking, short taps of
# jump and fire, held fire, then Escape. Then verifies the demo headless and
# plays it back in a window at eight times the speed; the played run must
# match the recorded one tick for tick.
#
#   scripts/demo_xvfb.sh [path/to/TARVS] [demo-file]
#
# Prints "verify: ..." and "play: ..." lines, and "skip: REASON" (status 0)
# when no virtual display can be had.
set -uo pipefail
tarvs=${1:-"$(dirname "$0")/../build/TARVS"}
tarvs=$(readlink -f "$tarvs")
demo=${2:-}

if [[ "${DEMO_XVFB_INSIDE:-}" != 1 ]]; then
  command -v xvfb-run >/dev/null || { echo "skip: xvfb-run not installed"; exit 0; }
  command -v xdotool >/dev/null || { echo "skip: xdotool not installed"; exit 0; }
  DEMO_XVFB_INSIDE=1 exec xvfb-run -a -s "-screen 0 1280x1024x24" "$0" "$tarvs" "$demo"
fi

# shellcheck source=scripts/virtual-display.sh
. "$(dirname "$0")/virtual-display.sh"
unset SDL_VIDEODRIVER
export ALSOFT_DRIVERS=null CORVANE_NO_MESSAGEBOX=1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
[[ -n "$demo" ]] || demo="$work/xvfb.demo"
demo=$(readlink -f "$demo")
cd "$work" || exit 1

"$tarvs" --windowed --record "$demo" 2>"$work/record.txt" &
pid=$!
await_game_window "$pid" "$work/record.txt" || exit 0
(sleep 30; kill "$pid" 2>/dev/null) &
watchdog=$!
xdotool keydown Right sleep 0.6 keyup Right
xdotool keydown Up sleep 0.01 keyup Up           # a tap shorter than a tick
xdotool keydown Right sleep 0.4 keyup Right
xdotool keydown space sleep 0.01 keyup space     # one shot from a tap
sleep 0.5
xdotool keydown Left sleep 0.3 keyup Left
xdotool keydown Right sleep 0.05 keyup Right
xdotool keydown space sleep 1.2 keyup space
xdotool keydown w sleep 0.2 keyup w
sleep 0.3
xdotool keydown Escape sleep 0.01 keyup Escape
wait "$pid"
status=$?
kill "$watchdog" 2>/dev/null
echo "record: status=$status $(tail -1 "$work/record.txt")"
[[ $status -eq 0 ]] || exit 1

"$tarvs" --verify "$demo" >"$work/verify.out" 2>&1
status=$?
echo "verify: status=$status $(tail -1 "$work/verify.out")"
[[ $status -eq 0 ]] || exit 1

# The demo ends with the recorded Escape, which ends the replay too.
timeout 60 "$tarvs" --windowed --play "$demo" --speed 8 >"$work/play.out" 2>&1
status=$?
echo "play: status=$status $(tail -1 "$work/play.out")"
[[ $status -eq 0 ]] || exit 1
