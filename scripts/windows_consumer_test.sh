#!/usr/bin/env bash
# Builds examples/ as an outside MinGW-w64 project against the Windows
# engine scripts/windows.sh installed into build-windows/stage: once through
# the CMake package (find_package(CorvaneEngine)) and once through
# pkg-config, warnings as errors; then runs one example of each build under
# Wine (GL on SDL's windows driver), which must write its screenshot.
# Needs a Wine prefix and a display from the caller (windows_wine_test.sh).
# Use: scripts/windows_consumer_test.sh PACKAGE_DIR   (the DLLs to run with)
set -euo pipefail
cd "$(dirname "$0")/.."
ROOT=$PWD
PKG=$1
STAGE=$ROOT/build-windows/stage
# The toolchain file searches only below its root paths (the MinGW sysroot
# and CMAKE_FIND_ROOT_PATH), as a cross build should: the engine's prefix
# is named as one.
TOOLCHAIN=$ROOT/cmake/mingw-w64-x86_64.cmake
WORK=$(mktemp -d)
trap 'rm -rf "$WORK"' EXIT
winpath() { echo "Z:${1//\//\\}"; }

test -f "$STAGE/include/CorvaneEngine.h"
test -f "$STAGE/lib/libCorvaneEngine.dll.a"
test -f "$STAGE/lib/cmake/CorvaneEngine/CorvaneEngineConfig.cmake"
test -f "$STAGE/lib/pkgconfig/corvaneengine.pc"
test -f "$STAGE/bin/CorvaneEngine.dll"

run_example() {  # build-dir example
  local dir=$WORK/run-$2
  mkdir -p "$dir"
  (cd "$dir" && WINEPATH="$(winpath "$STAGE/bin");$(winpath "$PKG")" SDL_VIDEODRIVER=windows \
    ALSOFT_DRIVERS=null CORVANE_NO_MESSAGEBOX=1 timeout 120 wine "$1/corvane_$2.exe" --ticks 100 --shot \
    > "$dir/out.txt" 2>&1) || { cat "$dir/out.txt" >&2; return 1; }
  test -s "$dir/Screen0.tga" || { echo "corvane_$2.exe wrote no screenshot" >&2; return 1; }
  echo "corvane_$2.exe ran under Wine"
}

cmake -S examples -B "$WORK/ex-cmake" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$TOOLCHAIN" \
  -DCMAKE_PREFIX_PATH="$STAGE" -DCMAKE_FIND_ROOT_PATH="$STAGE" -DCMAKE_CXX_FLAGS="-Wall -Wextra -Werror" > "$WORK/cmake.log" 2>&1 \
  || { cat "$WORK/cmake.log" >&2; exit 1; }
cmake --build "$WORK/ex-cmake" -j2 > "$WORK/build.log" 2>&1 || { cat "$WORK/build.log" >&2; exit 1; }
echo "examples built with find_package(CorvaneEngine)"
run_example "$WORK/ex-cmake" sprite_game

PKG_CONFIG_LIBDIR=$STAGE/lib/pkgconfig PKG_CONFIG_PATH="" cmake -S examples -B "$WORK/ex-pkg" -G Ninja \
  -DCMAKE_TOOLCHAIN_FILE="$TOOLCHAIN" -DCMAKE_FIND_ROOT_PATH="$STAGE" -DCORVANE_EXAMPLES_PKGCONFIG=ON \
  -DCMAKE_CXX_FLAGS="-Wall -Wextra -Werror" > "$WORK/pkg.log" 2>&1 || { cat "$WORK/pkg.log" >&2; exit 1; }
cmake --build "$WORK/ex-pkg" -j2 > "$WORK/pkgbuild.log" 2>&1 || { cat "$WORK/pkgbuild.log" >&2; exit 1; }
echo "examples built with pkg-config"
run_example "$WORK/ex-pkg" sound_demo
