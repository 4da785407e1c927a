#!/usr/bin/env bash
# Makes the README's pictures: runs each example headless for 100 ticks in a
# temporary folder and turns the frame it saves into docs/<example>.png.
# Needs a build (build/examples) and ImageMagick's convert.
set -euo pipefail
cd "$(dirname "$0")/.."
ROOT=$PWD
BIN=${1:-$ROOT/build/examples}
WORK=$(mktemp -d)
trap 'rm -rf "$WORK"' EXIT
export SDL_VIDEODRIVER=offscreen ALSOFT_DRIVERS=null SDL_AUDIODRIVER=dummy
mkdir -p docs
for name in sprite_game sound_demo model_particles menu_demo; do
  mkdir -p "$WORK/$name"
  (cd "$WORK/$name" && "$BIN/corvane_$name" --ticks 100 --shot > /dev/null)
  # The screenshot is stored bottom row first.
  convert "$WORK/$name/Screen0.tga" -flip -strip "docs/$name.png"
  echo "docs/$name.png"
done
