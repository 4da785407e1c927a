#!/usr/bin/env bash
# Measures how quickly TARVS answers real key presses on a virtual X display
# (Xvfb, started here through xvfb-run; needs xdotool).
#
#   scripts/key_latency.sh [path/to/TARVS]
#
# Starts the game in a window, lets it settle, taps Escape for 10 ms and
# prints the time from the tap to the end of the process:
#   press_to_exit_ms=LOW..HIGH status=S
# Prints "skip: REASON" and exits 0 when no virtual display can be had.
set -uo pipefail
tarvs=${1:-"$(dirname "$0")/../build/TARVS"}
tarvs=$(readlink -f "$tarvs")

if [[ "${KEY_LATENCY_INSIDE:-}" != 1 ]]; then
  command -v xvfb-run >/dev/null || { echo "skip: xvfb-run not installed"; exit 0; }
  command -v xdotool >/dev/null || { echo "skip: xdotool not installed"; exit 0; }
  KEY_LATENCY_INSIDE=1 exec xvfb-run -a -s "-screen 0 1280x1024x24" "$0" "$tarvs"
fi

# shellcheck source=scripts/virtual-display.sh
. "$(dirname "$0")/virtual-display.sh"
unset SDL_VIDEODRIVER
export ALSOFT_DRIVERS=${ALSOFT_DRIVERS:-null}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work" || exit 1

"$tarvs" --windowed 2>"$work/err.txt" &
pid=$!
await_game_window "$pid" "$work/err.txt" || exit 0

# A watchdog ends a game that ignores the tap; `wait` returns the moment
# the game's process ends.
(sleep 5; kill "$pid" 2>/dev/null) &
watchdog=$!
start=$(date +%s%N)
xdotool keydown Escape sleep 0.01 keyup Escape
released=$(date +%s%N)
wait "$pid"
status=$?
end=$(date +%s%N)
kill "$watchdog" 2>/dev/null
if [[ $status -ge 128 ]]; then
  echo "press_to_exit_ms=timeout status=$status"
  exit 1
fi
# xdotool's own start-up (often 50-150 ms on a busy machine) comes before
# the key goes down, so the press-to-exit time lies between the two figures:
# from the release (+10 ms of holding) and from xdotool's start.
echo "press_to_exit_ms=$(((end - released) / 1000000 + 10))..$(((end - start) / 1000000)) status=$status"
