#!/usr/bin/env bash
# Sets everything up and runs every test headless: OpenGL on SDL's
# offscreen driver (Mesa llvmpipe), sound on OpenAL Soft's null backend.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
export SDL_VIDEODRIVER=offscreen ALSOFT_DRIVERS=null SDL_AUDIODRIVER=dummy
cd build
ctest --output-on-failure -j2 --timeout 600
