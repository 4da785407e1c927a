#!/usr/bin/env bash
# CPU per frame, TARVS beside the floor program (build/bench/floor_quad),
# in a 1024 x 768 window and full screen on a 1920 x 1080 virtual X display
# with a window manager. The floor draws its quad straight into the window
# and, for comparison, through a 1024 x 768 buffer stretched into it
# (--stretch). Runs alternate; prints the minimum and the median of each and
# the ratios. CPU is the whole process's (every thread, the GL rasteriser's
# included) over the measured frames, after a warm-up. Wall-clock figures: a
# benchmark, never a test.
#
#   scripts/frame_bench.sh [runs=3] [frames=300]
#   GAME=OTHER/TARVS scripts/frame_bench.sh     # another build beside this floor
#
# Both programs keep their defaults: vsync asked for (Xvfb has none) and a
# cap of 60 frames a second. TARVS stands at the start of the shipped level.
set -uo pipefail
runs=${1:-3}
frames=${2:-300}
warmup=60
VIRTUAL_SCREEN=${VIRTUAL_SCREEN:-1920x1080x24}
# shellcheck source=scripts/bench-common.sh
. "$(dirname "$0")/bench-common.sh"
work=$(mktemp -d)
trap 'kill $wm_pid $xvfb_pid 2>/dev/null; rm -rf "$work"' EXIT
unset SDL_VIDEODRIVER
export CORVANE_NO_MESSAGEBOX=1 ALSOFT_DRIVERS=${ALSOFT_DRIVERS:-null}

# One run: appends the CPU milliseconds per frame to FILE.
measure() {
  local file=$1
  shift
  "$build/bench/first_frame" --warmup "$warmup" --frames "$frames" --timeout 120 -- "$@" \
    2>/dev/null | awk '/^cpu_per_frame_ms/ {print $2}' >>"$work/$file"
}
stats() { sort -n "$1" | awk '{v[NR] = $1} END {if (NR) printf "%.3f %.3f", v[1], (NR % 2 ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2)}'; }

echo "CPU per frame, ms (min / median of $runs runs of $frames frames; load average $(cut -d' ' -f1-3 /proc/loadavg))"
for mode in window fullscreen; do
  if [[ $mode == window ]]; then
    floor_args=(--size 1024x768)
    game_args=(--windowed)
    label="1024 x 768 window"
  else
    floor_args=(--fullscreen)
    game_args=()
    label="1920 x 1080 full screen"
  fi
  : >"$work/$mode.floor"
  : >"$work/$mode.stretch"
  : >"$work/$mode.game"
  for ((i = 1; i <= runs; i++)); do
    measure "$mode.floor" "$build/bench/floor_quad" "${floor_args[@]}"
    measure "$mode.stretch" "$build/bench/floor_quad" "${floor_args[@]}" --stretch
    measure "$mode.game" "$game" "${game_args[@]}" --settings "$work/settings.ini"
  done
  read -r fmin fmed <<<"$(stats "$work/$mode.floor")"
  read -r smin smed <<<"$(stats "$work/$mode.stretch")"
  read -r gmin gmed <<<"$(stats "$work/$mode.game")"
  if [[ -z "${fmin:-}" || -z "${smin:-}" || -z "${gmin:-}" ]]; then
    echo "$label: no figures"
    continue
  fi
  echo "$label"
  printf '  floor_quad            %7.3f  %7.3f\n' "$fmin" "$fmed"
  printf '  floor_quad --stretch  %7.3f  %7.3f\n' "$smin" "$smed"
  printf '  TARVS                 %7.3f  %7.3f\n' "$gmin" "$gmed"
  awk -v g="$gmed" -v f="$fmed" -v s="$smed" \
    'BEGIN {printf "  TARVS / floor: %.2f; TARVS / stretching floor: %.2f (medians)\n", g / f, g / s}'
done
