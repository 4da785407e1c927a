#!/usr/bin/env bash
# Time from exec to the first frame, TARVS beside the floor program
# (build/bench/floor_quad: a window opened the engine's way drawing one
# textured quad), on a virtual X display with a window manager. Runs
# alternate between the two so both see the same machine; prints the
# minimum and the median of each and their ratios. Wall-clock figures: a
# benchmark, never a test.
#
#   scripts/startup_bench.sh [runs=15]
#   GAME=OTHER/TARVS scripts/startup_bench.sh   # another build beside this floor
#
# Each program is started by build/bench/first_frame, which preloads a
# probe that notes when the first buffer swap returns and ends the program
# there. TARVS runs windowed at 1024 x 768 with a settings file of its own;
# sound goes through whatever OpenAL finds, as for a player (set
# ALSOFT_DRIVERS=null to leave the sound device out).
set -uo pipefail
runs=${1:-15}
# shellcheck source=scripts/bench-common.sh
. "$(dirname "$0")/bench-common.sh"
work=$(mktemp -d)
trap 'kill $wm_pid $xvfb_pid 2>/dev/null; rm -rf "$work"' EXIT
unset SDL_VIDEODRIVER
export CORVANE_NO_MESSAGEBOX=1

# One run: appends the milliseconds to the first frame to FILE.wall and the
# CPU milliseconds used by then (every thread) to FILE.cpu.
first_frame() {
  local file=$1 line
  shift
  line=$("$build/bench/first_frame" --timeout 60 -- "$@" 2>/dev/null | grep '^first_frame_ms')
  [[ -n "$line" ]] || return
  awk '{print $2}' <<<"$line" >>"$file.wall"
  awk '{print $4}' <<<"$line" >>"$file.cpu"
}
for ((i = 1; i <= runs; i++)); do
  first_frame "$work/floor" "$build/bench/floor_quad"
  first_frame "$work/game" "$game" --windowed --settings "$work/settings.ini"
done

# "min median count" of a file of numbers
stats() { sort -n "$1" 2>/dev/null | awk '{v[NR] = $1} END {if (NR) printf "%.1f %.1f %d", v[1], (NR % 2 ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2), NR}'; }
echo "exec to first frame (min / median; load average $(cut -d' ' -f1-3 /proc/loadavg))"
for what in wall cpu; do
  read -r fmin fmed fn <<<"$(stats "$work/floor.$what")"
  read -r gmin gmed gn <<<"$(stats "$work/game.$what")"
  if [[ -z "${fmin:-}" || -z "${gmin:-}" ]]; then
    echo "no figures (floor runs: ${fn:-0}, TARVS runs: ${gn:-0})"
    exit 1
  fi
  [[ $what == wall ]] && echo "wall clock, ms ($gn runs)" || echo "CPU used by then, ms"
  printf '  floor_quad  %7.1f  %7.1f\n' "$fmin" "$fmed"
  printf '  TARVS       %7.1f  %7.1f\n' "$gmin" "$gmed"
  awk -v a="$gmin" -v b="$fmin" -v c="$gmed" -v d="$fmed" \
    'BEGIN {printf "  TARVS / floor: %.2f (min), %.2f (median)\n", a / b, c / d}'
done
