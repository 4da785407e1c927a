#!/usr/bin/env bash
# Sourced by the benchmarks that run TARVS beside the floor program: sets
# root, build and game (GAME=OTHER/TARVS runs another build beside this
# build's floor), checks the programs are built and the X tools installed,
# and starts a virtual display with a window manager (VIRTUAL_SCREEN sets
# its size). Exits with a line saying why when one is missing.
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=${BUILD_DIR:-$root/build}
game=${GAME:-$build/TARVS}
for f in "$game" "$build/bench/floor_quad" "$build/bench/first_frame" \
  "$build/bench/libframe_probe.so"; do
  [[ -e $f ]] || { echo "missing $f: cmake --build build --target TARVS floor_quad first_frame frame_probe"; exit 1; }
done
for tool in Xvfb openbox xdotool; do
  command -v "$tool" >/dev/null || { echo "skip: $tool not installed"; exit 0; }
done
# shellcheck source=scripts/virtual-display.sh
. "$root/scripts/virtual-display.sh"
start_display_with_wm 140 200 || { echo "skip: no free X display"; exit 0; }
