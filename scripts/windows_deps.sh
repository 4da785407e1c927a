#!/usr/bin/env bash
# Cross-builds the Windows libraries TARVS needs (SDL2 from Debian's own
# source package, OpenAL Soft from ../shared/third_party) with the MinGW-w64
# toolchain and installs each into DEPS/<name>-<version>/, a cache keyed by
# version: a folder that already holds a finished build (its .done stamp) is
# reused as it is. Prints nothing but progress; fails on any error.
# Use: scripts/windows_deps.sh [DEPS]   (default: build-windows/deps)
set -euo pipefail
cd "$(dirname "$0")/.."
ROOT=$PWD
DEPS=${1:-${CORVANE_WINDEPS:-build-windows/deps}}
mkdir -p "$DEPS"
DEPS=$(cd "$DEPS" && pwd)
TOOLCHAIN=$ROOT/cmake/mingw-w64-x86_64.cmake
JOBS=${CORVANE_JOBS:-2}

OPENAL_VERSION=1.19.1
OPENAL_TARBALL=$ROOT/../shared/third_party/openal-soft-$OPENAL_VERSION.tar.gz
[ -f "$OPENAL_TARBALL" ] || OPENAL_TARBALL=/work/shared/third_party/openal-soft-$OPENAL_VERSION.tar.gz
OPENAL_SHA256=4fb865fd74c1c591bc27ee671368eb9d828d39cdb6e58ad38ff7752e1c9d84b7

# apt-get with sudo when not root.
apt_get() {
  local sudo=""
  [ "$(id -u)" -ne 0 ] && sudo="sudo"
  DEBIAN_FRONTEND=noninteractive $sudo apt-get "$@"
}

# Debian 12's own source packages (SDL2, zlib, libpng): a deb-src entry that
# mirrors the system's apt sources is added while they are fetched and
# removed again when this script ends.
DEB_SRC_LIST=""
debian_version() {
  apt-cache policy "$1" 2>/dev/null | sed -n 's/^  Candidate: \([0-9]*:\)\{0,1\}\([0-9][0-9.]*[0-9]\).*/\2/p'
}
remove_deb_src() {
  [ -n "$DEB_SRC_LIST" ] || return 0
  local sudo=""
  [ "$(id -u)" -ne 0 ] && sudo="sudo"
  $sudo rm -f "$DEB_SRC_LIST"
  DEB_SRC_LIST=""
  $sudo apt-get update -qq >/dev/null 2>&1 || true
}
trap remove_deb_src EXIT
fetch_debian_source() {
  local pkg=$1 dest=$2 sudo=""
  [ "$(id -u)" -ne 0 ] && sudo="sudo"
  if [ -z "$DEB_SRC_LIST" ]; then
    if [ -f /etc/apt/sources.list.d/debian.sources ]; then
      DEB_SRC_LIST=/etc/apt/sources.list.d/corvane-deb-src.sources
      sed 's/^Types: deb$/Types: deb-src/' /etc/apt/sources.list.d/debian.sources \
        | $sudo tee "$DEB_SRC_LIST" >/dev/null
    else
      DEB_SRC_LIST=/etc/apt/sources.list.d/corvane-deb-src.list
      grep -h '^deb ' /etc/apt/sources.list | sed 's/^deb /deb-src /' | $sudo tee "$DEB_SRC_LIST" >/dev/null
    fi
    apt_get update -qq
  fi
  # apt's download user must reach the folder. The newest source first; an
  # older one of the same release where a mirror lacks the newest.
  chmod 755 "$dest"
  local v
  for v in $(apt-cache showsrc "$pkg" | sed -n 's/^Version: //p' | sort -rVu); do
    (cd "$dest" && apt-get source -qq "$pkg=$v" >/dev/null 2>&1) && return 0
    echo "windows_deps: $pkg $v could not be fetched; trying an older one" >&2
  done
  echo "windows_deps: no source of $pkg could be fetched" >&2
  exit 1
}

# Configures, builds and installs one CMake source tree with the toolchain.
cross_cmake() {
  local src=$1 build=$2 prefix=$3
  shift 3
  cmake -S "$src" -B "$build" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$TOOLCHAIN" \
    -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX="$prefix" "$@" >"$build.configure.log" 2>&1 \
    || { tail -40 "$build.configure.log" >&2; exit 1; }
  cmake --build "$build" -j"$JOBS" >"$build.build.log" 2>&1 || { tail -40 "$build.build.log" >&2; exit 1; }
  cmake --install "$build" >/dev/null
}

build_sdl2() {
  local version out work src
  version=$(debian_version libsdl2-dev)
  [ -n "$version" ] || { echo "windows_deps: cannot tell Debian's SDL2 version" >&2; exit 1; }
  out=$DEPS/SDL2-$version
  if [ -f "$out/.done" ]; then echo "SDL2 $version: cached in $out"; return; fi
  echo "SDL2 $version: building into $out"
  work=$(mktemp -d)
  fetch_debian_source libsdl2 "$work"
  src=$(find "$work" -maxdepth 1 -type d -name 'libsdl2-*' | head -n1)
  [ -n "$src" ] || { echo "windows_deps: apt-get source libsdl2 gave no source tree" >&2; exit 1; }
  rm -rf "$out"
  cross_cmake "$src" "$work/build" "$out" -DSDL_SHARED=ON -DSDL_STATIC=OFF -DSDL_TEST=OFF -DSDL_TESTS=OFF
  cp "$src/LICENSE.txt" "$out/LICENSE-SDL2.txt"
  touch "$out/.done"
  rm -rf "$work"
}

# zlib and libpng go statically into the engine's DLL (one DLL fewer to
# ship); both are Debian 12's sources. libpng's .pc names zlib itself so a
# static link needs nothing more.
build_png() {
  local zver pver out work zsrc psrc
  zver=$(debian_version zlib1g-dev)
  pver=$(debian_version libpng-dev)
  [ -n "$zver" ] && [ -n "$pver" ] || { echo "windows_deps: cannot tell Debian's zlib/libpng versions" >&2; exit 1; }
  out=$DEPS/libpng-$pver-zlib-$zver
  if [ -f "$out/.done" ]; then echo "libpng $pver + zlib $zver: cached in $out"; return; fi
  echo "libpng $pver + zlib $zver: building into $out"
  work=$(mktemp -d)
  fetch_debian_source zlib "$work"
  fetch_debian_source libpng1.6 "$work"
  zsrc=$(find "$work" -maxdepth 1 -type d -name 'zlib-*' | head -n1)
  psrc=$(find "$work" -maxdepth 1 -type d -name 'libpng1.6-*' | head -n1)
  [ -n "$zsrc" ] && [ -n "$psrc" ] || { echo "windows_deps: apt-get source gave no zlib/libpng tree" >&2; exit 1; }
  rm -rf "$out"
  mkdir -p "$out/include" "$out/lib"
  # zlib: only its static library (its CMake file always adds the DLL and examples).
  cmake -S "$zsrc" -B "$work/zbuild" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$TOOLCHAIN" \
    -DCMAKE_BUILD_TYPE=Release >"$work/zconf.log" 2>&1 || { tail -40 "$work/zconf.log" >&2; exit 1; }
  cmake --build "$work/zbuild" --target zlibstatic >"$work/zbuild.log" 2>&1 || { tail -40 "$work/zbuild.log" >&2; exit 1; }
  cp "$zsrc/zlib.h" "$work/zbuild/zconf.h" "$out/include/"
  cp "$work/zbuild/libzlibstatic.a" "$out/lib/libz.a"
  cross_cmake "$psrc" "$work/pbuild" "$out" -DPNG_SHARED=OFF -DPNG_STATIC=ON -DPNG_TESTS=OFF \
    -DPNG_EXECUTABLES=OFF -DZLIB_LIBRARY="$out/lib/libz.a" -DZLIB_INCLUDE_DIR="$out/include"
  sed -i 's/^Libs: \(.*\)$/Libs: \1 -lz/' "$out/lib/pkgconfig/libpng16.pc"
  printf 'prefix=%s\nlibdir=${prefix}/lib\nincludedir=${prefix}/include\n\nName: zlib\nDescription: zlib compression library\nVersion: %s\nLibs: -L${libdir} -lz\nCflags: -I${includedir}\n' \
    "$out" "$zver" > "$out/lib/pkgconfig/zlib.pc"
  cp "$psrc/LICENSE" "$out/LICENSE-libpng.txt"
  cp "$zsrc/README" "$out/README-zlib.txt"
  touch "$out/.done"
  rm -rf "$work"
}

# GoogleTest for the tests built for Windows, from Debian's googletest
# package (its sources under /usr/src/googletest).
build_gtest() {
  local version out work
  version=$(dpkg-query -W -f='${Version}' googletest 2>/dev/null | sed 's/-[^-]*$//')
  [ -n "$version" ] && [ -d /usr/src/googletest ] \
    || { echo "windows_deps: the googletest package is not installed" >&2; exit 1; }
  out=$DEPS/googletest-$version
  if [ -f "$out/.done" ]; then echo "GoogleTest $version: cached in $out"; return; fi
  echo "GoogleTest $version: building into $out"
  work=$(mktemp -d)
  rm -rf "$out"
  cross_cmake /usr/src/googletest "$work/build" "$out" -DBUILD_GMOCK=ON -DINSTALL_GTEST=ON
  touch "$out/.done"
  rm -rf "$work"
}

build_openal() {
  local out=$DEPS/openal-soft-$OPENAL_VERSION work
  if [ -f "$out/.done" ]; then echo "OpenAL Soft $OPENAL_VERSION: cached in $out"; return; fi
  echo "OpenAL Soft $OPENAL_VERSION: building into $out"
  echo "$OPENAL_SHA256  $OPENAL_TARBALL" | sha256sum -c --quiet - \
    || { echo "windows_deps: $OPENAL_TARBALL does not match its SHA-256" >&2; exit 1; }
  work=$(mktemp -d)
  tar -xzf "$OPENAL_TARBALL" -C "$work"
  local src
  src=$(find "$work" -maxdepth 1 -mindepth 1 -type d | head -n1)
  rm -rf "$out"
  # GCC 12 defaults to -fno-common, which this release predates.
  cmake -S "$src" -B "$work/build" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$TOOLCHAIN" \
    -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX="$out" -DCMAKE_C_FLAGS=-fcommon \
    -DALSOFT_EXAMPLES=OFF -DALSOFT_TESTS=OFF -DALSOFT_UTILS=OFF -DALSOFT_NO_CONFIG_UTIL=ON \
    -DALSOFT_EMBED_HRTF_DATA=ON >"$work/configure.log" 2>&1 \
    || { tail -40 "$work/configure.log" >&2; exit 1; }
  cmake --build "$work/build" -j"$JOBS" >"$work/build.log" 2>&1 || { tail -40 "$work/build.log" >&2; exit 1; }
  cmake --install "$work/build" >/dev/null
  cp "$src/COPYING" "$out/COPYING-OpenAL-Soft.txt"
  touch "$out/.done"
  rm -rf "$work"
}

build_openal
build_sdl2
build_png
[ "${CORVANE_WINDOWS_TESTS:-ON}" = ON ] && build_gtest
remove_deb_src
