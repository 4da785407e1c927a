#!/usr/bin/env bash
# Real-time rates of the engine's loop (wall clock, so never a test):
#   1. build/bench/bench_loop on SDL's offscreen driver, then on a virtual X
#      display with a window manager (Xvfb + openbox), then there with Mesa's
#      rasteriser on one thread (LP_NUM_THREADS=0): frames and ticks a
#      second and CPU, the new loop beside the old one in the same run;
#   2. TARVS in a window on that display: CPU share over a few seconds
#      shown, then minimized.
#
#   scripts/loop_rates.sh [seconds=3]
set -uo pipefail
seconds=${1:-3}
build=$(cd "$(dirname "$0")/../build" && pwd)
bench=$build/bench/bench_loop
[[ -x $bench ]] || { echo "build bench_loop first (cmake --build build --target bench_loop)"; exit 1; }
export ALSOFT_DRIVERS=null SDL_AUDIODRIVER=dummy

echo "== offscreen driver"
SDL_VIDEODRIVER=offscreen "$bench" "$seconds"

for tool in Xvfb openbox xdotool; do
  command -v "$tool" >/dev/null || { echo "skip the X display: $tool not installed"; exit 0; }
done
# shellcheck source=scripts/virtual-display.sh
. "$(dirname "$0")/virtual-display.sh"
start_display_with_wm 140 200 || { echo "skip the X display: no free X display"; exit 0; }
trap 'kill $wm_pid $xvfb_pid 2>/dev/null' EXIT
unset SDL_VIDEODRIVER

echo "== Xvfb + openbox"
"$bench" "$seconds"
echo "== Xvfb + openbox, LP_NUM_THREADS=0"
LP_NUM_THREADS=0 "$bench" "$seconds"

# CPU seconds (user + system) of a process.
cpu() { awk '{print ($14 + $15) / '"$(getconf CLK_TCK)"'}' "/proc/$1/stat"; }
share() {  # pid seconds -> share of a core over that time
  local a b
  a=$(cpu "$1")
  sleep "$2"
  b=$(cpu "$1")
  awk -v a="$a" -v b="$b" -v s="$2" 'BEGIN {printf "%.3f", (b - a) / s}'
}
echo "== TARVS, window of 1024 x 768, default options"
"$build/TARVS" --windowed >/dev/null 2>&1 &
game=$!
win=$(timeout 30 xdotool search --sync --name "Tarvy Arcade Game" | head -1)
if [[ -z "$win" ]]; then
  echo "the game window never appeared"
  kill "$game" 2>/dev/null
  exit 1
fi
sleep 2
echo "shown:     CPU share of a core $(share "$game" "$seconds")"
xdotool windowminimize --sync "$win" 2>/dev/null
sleep 1
echo "minimized: CPU share of a core $(share "$game" "$seconds")"
kill "$game" 2>/dev/null
wait "$game" 2>/dev/null
