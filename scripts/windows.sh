#!/usr/bin/env bash
# Builds the Windows release on Debian 12: installs the MinGW-w64 cross
# compiler, Wine and the other tools that are missing, builds the game for
# Linux (its asset tools make the data tree the Windows package ships, byte
# for byte), cross-builds SDL2, OpenAL Soft, libpng and zlib once into a
# cache keyed by version (scripts/windows_deps.sh), cross-builds the engine,
# the game and the engine's tests, installs the engine with its import
# library, CMake package and pkg-config file into build-windows/stage, and
# packs build-windows/TARVS-<version>-win64.zip.
#
# Environment: CORVANE_WINDEPS (the dependency cache, default
# build-windows/deps), CORVANE_WINDOWS_TESTS (which engine tests to build:
# "platform", the default, the ones whose code differs by system or by C
# library: time, files, log, GL start-up, sound, images, input; "all" every
# engine test and the examples; OFF none),
# CORVANE_WERROR=ON (warnings fail the build), CORVANE_LINUX_BUILD (an
# existing Linux build of this tree to take the data from instead of
# building build/), CORVANE_WINDOWS_BUILD (the cross build's folder,
# default build-windows/build).
set -euo pipefail
cd "$(dirname "$0")/.."
ROOT=$PWD
OUT=$ROOT/build-windows
DEPS=${CORVANE_WINDEPS:-$OUT/deps}
TESTS=${CORVANE_WINDOWS_TESTS:-platform}
# The engine tests whose code paths differ between Windows and Linux; the
# rest compute the same on both (and CI time is short).
PLATFORM_TESTS="test_log test_loop test_glinit test_screenshot test_sound test_png test_tga
test_textures test_lifecycle test_misuse test_cp1251 test_controls"
case $TESTS in
  OFF) BUILD_TESTS=OFF; TARGETS="TARVS CorvaneEngine tarvs_manpage" ;;
  all) BUILD_TESTS=ON; TARGETS="all" ;;
  *) BUILD_TESTS=ON; TARGETS="TARVS CorvaneEngine tarvs_manpage $(echo $PLATFORM_TESTS)" ;;
esac
TRIPLE=x86_64-w64-mingw32
LINUX=${CORVANE_LINUX_BUILD:-$ROOT/build}
BUILD=${CORVANE_WINDOWS_BUILD:-$OUT/build}

PKGS="g++-mingw-w64-x86-64-posix gcc-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64
wine wine64 xvfb xauth openbox xdotool x11-utils imagemagick zip unzip dpkg-dev ninja-build
googletest cmake pkg-config"
. scripts/install-packages.sh
APT_OPTIONS=--no-install-recommends
# shellcheck disable=SC2086
install_missing $PKGS

mkdir -p "$OUT"
if [ -z "${CORVANE_LINUX_BUILD:-}" ]; then
  echo "== the Linux build (its tools make the data tree)"
  scripts/setup.sh > "$OUT/linux.log" 2>&1 || { tail -40 "$OUT/linux.log" >&2; exit 1; }
fi
[ -f "$LINUX/data/maps/level0.map" ] && [ -f "$LINUX/icons/tarvs.ico" ] \
  || { echo "windows.sh: $LINUX holds no data tree and icon" >&2; exit 1; }

echo "== dependencies (cache: $DEPS)"
CORVANE_WINDOWS_TESTS=$BUILD_TESTS scripts/windows_deps.sh "$DEPS"
prefixes=""
pcdirs=""
for d in "$DEPS"/SDL2-* "$DEPS"/openal-soft-* "$DEPS"/libpng-* "$DEPS"/googletest-*; do
  [ -f "$d/.done" ] || continue
  prefixes="$prefixes;$d"
  [ -d "$d/lib/pkgconfig" ] && pcdirs="$pcdirs:$d/lib/pkgconfig"
done
prefixes=${prefixes#;}
# Only the cross-built libraries' .pc files, never the build machine's.
export PKG_CONFIG_LIBDIR=${pcdirs#:}
export PKG_CONFIG_PATH=

echo "== cross build"
cmake -S . -B "$BUILD" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$ROOT/cmake/mingw-w64-x86_64.cmake" \
  -DCMAKE_BUILD_TYPE=Release -DCMAKE_PREFIX_PATH="$prefixes" -DCMAKE_FIND_ROOT_PATH="$prefixes" \
  -DCORVANE_BUILD_TOOLS=OFF -DCORVANE_HOST_BUILD="$LINUX" -DCORVANE_BUILD_TESTS="$BUILD_TESTS" \
  -DCORVANE_BUILD_EXAMPLES="$([ "$TESTS" = all ] && echo ON || echo OFF)" -DCORVANE_WERROR="${CORVANE_WERROR:-OFF}" \
  > "$OUT/configure.log" 2>&1 || { tail -40 "$OUT/configure.log" >&2; exit 1; }
# shellcheck disable=SC2086  # one target per word
cmake --build "$BUILD" -j"${CORVANE_JOBS:-2}" --target $TARGETS > "$OUT/build.log" 2>&1 \
  || { grep -E 'error|Error' "$OUT/build.log" | head -40 >&2; tail -20 "$OUT/build.log" >&2; exit 1; }
rm -rf "$OUT/stage"
cmake --install "$BUILD" --prefix "$OUT/stage" > /dev/null

VERSION=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$BUILD/CMakeCache.txt")
NAME=TARVS-$VERSION-win64
PKG=$OUT/$NAME
echo "== package $NAME.zip"
rm -rf "$PKG" "$OUT/$NAME.zip"
mkdir -p "$PKG/licences"
cp "$OUT/stage/bin/TARVS.exe" "$OUT/stage/bin/CorvaneEngine.dll" "$PKG/"
SDL2=$(ls -d "$DEPS"/SDL2-*/ | tail -n1)
OPENAL=$(ls -d "$DEPS"/openal-soft-*/ | tail -n1)
PNG=$(ls -d "$DEPS"/libpng-*/ | tail -n1)
cp "$SDL2/bin/SDL2.dll" "$OPENAL/bin/OpenAL32.dll" "$PKG/"
for dll in libstdc++-6.dll libgcc_s_seh-1.dll libwinpthread-1.dll; do
  path=$($TRIPLE-g++-posix -print-file-name=$dll)
  [ -f "$path" ] || path=$(find /usr/$TRIPLE /usr/lib/gcc/$TRIPLE -name "$dll" -path '*posix*' 2>/dev/null | head -n1)
  [ -f "$path" ] || path=$(find /usr/$TRIPLE /usr/lib/gcc/$TRIPLE -name "$dll" 2>/dev/null | head -n1)
  [ -f "$path" ] || { echo "windows.sh: $dll not found" >&2; exit 1; }
  cp "$path" "$PKG/"
done
# Debug information stays out of the package.
$TRIPLE-strip --strip-unneeded "$PKG"/*.dll "$PKG/TARVS.exe"
# The data tree the Linux tools made, without the replay tool's marks.
cp -rL "$LINUX/data" "$PKG/data"
rm -f "$PKG/data/level0.marks"
sed "s/@VERSION@/$VERSION/g" packaging/windows/README.txt.in | sed 's/$/\r/' > "$PKG/README.txt"
cp LICENSE "$PKG/licences/TARVS-and-CorvaneEngine.txt"
cp packaging/copyright "$PKG/licences/copyright-with-DejaVu-fonts.txt"
cp "$SDL2/LICENSE-SDL2.txt" "$PKG/licences/SDL2.txt"
cp "$OPENAL/COPYING-OpenAL-Soft.txt" "$PKG/licences/OpenAL-Soft-LGPL-2.txt"
cp "$PNG/LICENSE-libpng.txt" "$PKG/licences/libpng.txt"
cp "$PNG/README-zlib.txt" "$PKG/licences/zlib.txt"
cp /usr/share/doc/gcc-mingw-w64-base/copyright "$PKG/licences/MinGW-GCC-runtime.txt"
cp /usr/share/doc/mingw-w64-common/copyright "$PKG/licences/MinGW-w64-winpthreads.txt"
sed 's/$/\r/' packaging/windows/LICENCES.txt.in > "$PKG/licences/README.txt"

# Every DLL the game loads is either shipped or part of Windows.
scripts/windows_check_imports.sh "$PKG"

(cd "$OUT" && zip -qr9 "$NAME.zip" "$NAME")
echo "built $OUT/$NAME.zip ($(du -k "$OUT/$NAME.zip" | cut -f1) KiB)"
