#!/usr/bin/env bash
# Builds the engine alone (game, tools, tests and examples off, warnings as
# errors), installs it to a temporary prefix, checks what the library
# exports, then builds examples/ as a separate project against the
# installed engine, once with find_package and once with pkg-config, and
# runs one example of each build headless.
set -euo pipefail
cd "$(dirname "$0")/.."
ROOT=$PWD
WORK=$(mktemp -d)
trap 'rm -rf "$WORK"' EXIT
PREFIX=$WORK/prefix
export SDL_VIDEODRIVER=offscreen ALSOFT_DRIVERS=null SDL_AUDIODRIVER=dummy

echo "== engine alone"
cmake -S . -B "$WORK/engine" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCORVANE_WERROR=ON \
  -DCORVANE_BUILD_GAME=OFF -DCORVANE_BUILD_TOOLS=OFF -DCORVANE_BUILD_TESTS=OFF \
  -DCORVANE_BUILD_EXAMPLES=OFF > "$WORK/engine.log"
cmake --build "$WORK/engine" -j2 >> "$WORK/engine.log"
cmake --install "$WORK/engine" --prefix "$PREFIX" > /dev/null
LIBDIR=$(dirname "$(find "$PREFIX" -name 'libCorvaneEngine.so.1.0.0')")

echo "== installed files and soname"
test -f "$PREFIX/include/CorvaneEngine.h"
test -f "$LIBDIR/cmake/CorvaneEngine/CorvaneEngineConfig.cmake"
test -f "$LIBDIR/cmake/CorvaneEngine/CorvaneEngineConfigVersion.cmake"
test -f "$LIBDIR/pkgconfig/corvaneengine.pc"
test "$(readlink "$LIBDIR/libCorvaneEngine.so.1")" = libCorvaneEngine.so.1.0.0
readelf -d "$LIBDIR/libCorvaneEngine.so.1.0.0" | grep -q 'SONAME.*\[libCorvaneEngine.so.1\]'
test ! -e "$PREFIX/include/Cp1251.h"

echo "== exported names"
# Everything exported must be a name of the header: its functions, its
# classes' members, their type data, and its globals (leading underscore).
LEAKS=$(nm -D --defined-only -C "$LIBDIR/libCorvaneEngine.so.1.0.0" | cut -d' ' -f3- |
  grep -Ev '^(_edata|_end|__bss_start)$' |
  grep -Ev '^(T[A-Za-z]+::|typeinfo (name )?for T[A-Za-z]+$|vtable for T[A-Za-z]+$|_[A-Za-z]|[A-Z][A-Za-z0-9]*\()' || true)
if [ -n "$LEAKS" ]; then
  echo "names exported that the header does not declare:"; echo "$LEAKS"; exit 1
fi

echo "== version"
PKG_CONFIG_PATH=$LIBDIR/pkgconfig
export PKG_CONFIG_PATH
HEADER_VERSION=$(awk '/#define CORVANE_VERSION_(MAJOR|MINOR|PATCH) /{printf "%s%s", sep, $3; sep="."}' \
  "$PREFIX/include/CorvaneEngine.h")
test "$(pkg-config --modversion corvaneengine)" = "$HEADER_VERSION"

run_example() {  # build-dir example
  local dir=$WORK/run-$2
  mkdir -p "$dir"
  (cd "$dir" && LD_LIBRARY_PATH=$LIBDIR "$1/corvane_$2" --ticks 100 --shot)
  test -s "$dir/Screen0.tga"
}

echo "== examples with find_package"
cmake -S examples -B "$WORK/ex-cmake" -DCMAKE_PREFIX_PATH="$PREFIX" \
  -DCMAKE_CXX_FLAGS="-Wall -Wextra -Werror" > /dev/null
cmake --build "$WORK/ex-cmake" -j2 > /dev/null
run_example "$WORK/ex-cmake" sprite_game

echo "== examples with pkg-config"
cmake -S examples -B "$WORK/ex-pkg" -DCORVANE_EXAMPLES_PKGCONFIG=ON \
  -DCMAKE_CXX_FLAGS="-Wall -Wextra -Werror" > /dev/null
cmake --build "$WORK/ex-pkg" -j2 > /dev/null
run_example "$WORK/ex-pkg" sound_demo

echo "== the README's program"
awk '/compiled by scripts\/consumer_test.sh/{f=1; next} f&&/^```cpp/{g=1; next} g&&/^```/{exit} g' \
  README.md > "$WORK/hello.cpp"
test -s "$WORK/hello.cpp"
g++ -std=c++17 -Wall -Wextra -Werror "$WORK/hello.cpp" -o "$WORK/hello" \
  $(pkg-config --cflags --libs corvaneengine)

echo "consumer test passed (engine $HEADER_VERSION)"
