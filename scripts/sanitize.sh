#!/usr/bin/env bash
# The whole test suite (the scripted run through the shipped level included)
# under AddressSanitizer + UndefinedBehaviorSanitizer with leak checking, in
# build-asan. Any report fails the run. Leaks inside the system's GL driver,
# SDL and OpenAL are suppressed by scripts/lsan.supp, nothing else.
# `scripts/sanitize.sh build [TARGET]` only configures and builds, everything
# or the one target (scripts/soak.sh uses it).
set -euo pipefail
cd "$(dirname "$0")/.."
ROOT="$PWD"
FLAGS="-fsanitize=address,undefined -fno-sanitize-recover=undefined -fno-omit-frame-pointer"
LAUNCH=()
command -v ccache > /dev/null && LAUNCH=(-DCMAKE_C_COMPILER_LAUNCHER=ccache -DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
# Every program keeps the libraries it opens until exit, so that leaks
# inside them carry their library's name (see keep_libraries.c).
mkdir -p build-asan
KEEP="$ROOT/build-asan/keep_libraries.o"
cc -c -O2 -fPIC -o "$KEEP" scripts/keep_libraries.c
cmake -S . -B build-asan -DCMAKE_BUILD_TYPE=RelWithDebInfo "${LAUNCH[@]}" \
  -DCMAKE_C_FLAGS="$FLAGS" -DCMAKE_CXX_FLAGS="$FLAGS" \
  -DCMAKE_EXE_LINKER_FLAGS="-fsanitize=address,undefined $KEEP -Wl,--export-dynamic-symbol=dlclose" \
  -DCMAKE_SHARED_LINKER_FLAGS="-fsanitize=address,undefined"
# The asset tools run during the build; their own leaks are not this suite's.
ONLY=()
[ "${1:-}" = "build" ] && [ -n "${2:-}" ] && ONLY=(--target "$2")
ASAN_OPTIONS=detect_leaks=0 cmake --build build-asan -j"${SANITIZE_BUILD_JOBS:-2}" "${ONLY[@]}"
[ "${1:-}" = "build" ] && exit 0

# shellcheck source=scripts/sanitize-env.sh
. "$ROOT/scripts/sanitize-env.sh"
cd build-asan
ctest --output-on-failure -j2 --timeout 1200
