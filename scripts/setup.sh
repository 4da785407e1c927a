#!/usr/bin/env bash
# Installs what the build needs on Debian 12 (only what is missing), then
# configures and builds the engine, the game, the tools and the data tree.
set -euo pipefail
cd "$(dirname "$0")/.."
PKGS="build-essential cmake pkg-config libsdl2-dev libopenal-dev libfreetype-dev
fonts-dejavu-core libgl1-mesa-dev libglu1-mesa-dev libegl1 libegl-mesa0 libgl1-mesa-dri
libgtest-dev googletest libbenchmark-dev imagemagick xvfb xdotool openbox x11-utils sox
clang-14 libclang-rt-14-dev llvm-14 python3 libpng-dev
zlib1g-dev xauth dpkg-dev lintian desktop-file-utils appstream man-db"
. scripts/install-packages.sh
# shellcheck disable=SC2086
install_missing $PKGS
# CORVANE_WERROR=ON in the environment (CI sets it) makes warnings errors.
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCORVANE_WERROR="${CORVANE_WERROR:-OFF}"
cmake --build build -j2
