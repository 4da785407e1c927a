#!/usr/bin/env bash
# Runs every fuzz target for the given number of seconds (default 60), one
# after the other, and fails on the first finding. Built with clang-14 in
# build-fuzz; the seed corpora in fuzz/corpus are copied into
# build-fuzz/corpus first, so the repository's seeds stay as they are.
# Findings are written to build-fuzz/findings/<target>/.
# Usage: scripts/fuzz.sh [seconds] [target...]   (targets: tga png mdl anim wav shader map userdirs demo)
set -euo pipefail
cd "$(dirname "$0")/.."
SECONDS_EACH="${1:-60}"
shift || true
TARGETS="${*:-tga png mdl anim wav shader map userdirs demo}"
JOBS="${FUZZ_BUILD_JOBS:-2}"

ROOT="$PWD"
B="$ROOT/build-fuzz"
mkdir -p "$B"
CC=clang-14 CXX=clang++-14 cmake -S . -B "$B" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DCORVANE_FUZZ=ON > "$B/build.log" 2>&1 || { cat "$B/build.log"; exit 1; }
for t in $TARGETS; do
  cmake --build "$B" --target "fuzz_$t" -j"$JOBS" >> "$B/build.log" 2>&1 ||
    { tail -50 "$B/build.log"; exit 1; }
done

export CORVANE_NO_MESSAGEBOX=1 SDL_VIDEODRIVER=offscreen ALSOFT_DRIVERS=null
export ASAN_OPTIONS="detect_leaks=1:abort_on_error=1"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
status=0
for t in $TARGETS; do
  work="$B/corpus/$t"
  findings="$B/findings/$t"
  run="$B/run/$t"
  log="$B/fuzz_$t.log"
  mkdir -p "$work" "$findings" "$run"
  cp -n "$ROOT/fuzz/corpus/$t"/* "$work"/ 2>/dev/null || true
  # Each map record and each animation record may write a log line, and the
  # log is opened for every line: shorter inputs keep those two fast.
  maxlen=65536
  case "$t" in map) maxlen=4096 ;; anim) maxlen=8192 ;; esac
  dict=()
  [ -f "$ROOT/fuzz/$t.dict" ] && dict=(-dict="$ROOT/fuzz/$t.dict")
  # The loaders write EngineLog.txt in the working directory. Over millions
  # of inputs it would fill the disk and its lines are not what is checked,
  # so it goes to /dev/null (the log is still opened and written each time).
  if (cd "$run" && ln -sf /dev/null EngineLog.txt &&
      "$B/fuzz/fuzz_$t" -max_total_time="$SECONDS_EACH" -timeout=10 -rss_limit_mb=2048 \
        -max_len="$maxlen" -print_final_stats=1 -artifact_prefix="$findings/" \
        "${dict[@]}" "$work" > "$log" 2>&1); then
    result="ok"
  else
    result="FINDING (see $log and $findings)"
    status=1
  fi
  runs=$(grep -o 'stat::number_of_executed_units: *[0-9]*' "$log" | grep -o '[0-9]*$' || echo "?")
  cov=$(grep -E '^#[0-9]+[[:space:]]+DONE' "$log" | grep -o 'cov: [0-9]* ft: [0-9]*' | tail -1 || true)
  echo "fuzz_$t: $result, $runs executions in ${SECONDS_EACH}s, $cov"
  rm -f "$run/EngineLog.txt"
done
exit $status
