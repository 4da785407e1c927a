#!/usr/bin/env bash
# Records the kept demo, tests/data/level0.demo, anew: the scripted run
# through the shipped level (tools/level/level0.keys) replayed by the replay
# tool on the build's data tree, then checked with TARVS --verify.
#
# Run it after a change that is meant to alter the game's run (its rules,
# the level, or any file of the data tree, which the demo's header names by
# digest) and commit the new demo with that change, saying why.
# Usage: scripts/record_demo.sh [build-dir]   (default: build)
set -euo pipefail
cd "$(dirname "$0")/.."
B="${1:-build}"
cmake --build "$B" --target replay TARVS data -j2
export SDL_VIDEODRIVER=offscreen ALSOFT_DRIVERS=null SDL_AUDIODRIVER=dummy CORVANE_NO_MESSAGEBOX=1
"$B/tools/replay" tools/level/level0.keys --demo tests/data/level0.demo
"$B/TARVS" --data "$B/data" --verify tests/data/level0.demo
