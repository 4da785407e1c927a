#!/usr/bin/env bash
# Proves the Windows package under Wine on a virtual X display with a window
# manager, in a fresh Wine prefix:
#   1. the zip unpacks; every DLL it needs is shipped or part of Windows;
#   2. the engine DLL exports exactly the names the Linux library does;
#   3. TARVS.exe starts, fires (a sound the OpenAL wave backend writes, and
#      it is not silent), walks, takes a screenshot on Enter, writes its log
#      in Windows-1251, and quits on Escape with status 0;
#   4. the same key taps recorded on Linux as a demo and played back by
#      both builds give the same screenshot at Enter's tick (the FPS
#      counter masked, and the spinning pickups' share allowed to differ);
#   5. the kept demo of the shipped level verifies under Wine;
#   6. the engine's unit tests built for Windows pass under Wine;
#   7. examples/ builds as an outside MinGW project against the installed
#      Windows engine (find_package and pkg-config) and one example runs.
# Needs the Linux build (build/) and scripts/windows.sh's output. Keeps the
# pictures in build-windows/wine-test/ (the live and played Windows
# screenshots and the Linux one as PNG, and the difference).
# Use: scripts/windows_wine_test.sh [ZIP]
set -uo pipefail
cd "$(dirname "$0")/.."
ROOT=$PWD
OUT=$ROOT/build-windows
LINUX=${CORVANE_LINUX_BUILD:-$ROOT/build}
ZIP=${1:-$(ls "$OUT"/TARVS-*-win64.zip 2>/dev/null | tail -n1)}
[ -f "$ZIP" ] || { echo "windows_wine_test: no package; run scripts/windows.sh first" >&2; exit 1; }
KEEP=$OUT/wine-test
rm -rf "$KEEP"
mkdir -p "$KEEP"
WORK=$(mktemp -d)
failed=0
fail() { echo "FAIL: $*" >&2; failed=1; }
step() { echo "== $*"; }
# shellcheck source=scripts/virtual-display.sh
. scripts/virtual-display.sh
cleanup() {
  wineserver -k 2>/dev/null
  [ -n "${wm_pid:-}" ] && kill "$wm_pid" 2>/dev/null
  [ -n "${xvfb_pid:-}" ] && kill "$xvfb_pid" 2>/dev/null
  rm -rf "$WORK"
}
trap cleanup EXIT
# A Windows path for a Unix one (Wine maps / to Z:).
winpath() { echo "Z:${1//\//\\}"; }

step "unpack $(basename "$ZIP")"
unzip -q "$ZIP" -d "$WORK/unpacked" || { echo "FAIL: unzip" >&2; exit 1; }
PKG=$(ls -d "$WORK"/unpacked/TARVS-*-win64)
for f in TARVS.exe CorvaneEngine.dll SDL2.dll OpenAL32.dll libstdc++-6.dll libgcc_s_seh-1.dll \
  libwinpthread-1.dll README.txt licences/OpenAL-Soft-LGPL-2.txt licences/SDL2.txt data/maps/level0.map; do
  [ -f "$PKG/$f" ] || fail "the package lacks $f"
done
scripts/windows_check_imports.sh "$PKG" || fail "a DLL the game needs is missing"
diff -r "$LINUX/data" "$PKG/data" -x level0.marks >/dev/null \
  || fail "the package's data differs from the Linux build's data tree"

step "the DLL's exports against the Linux library's"
# Typeinfo names (_ZTS...) are left out on both sides: on Windows each
# module keeps its own copy next to the exported typeinfo that points to
# it, so the DLL never exports them.
SO=$(ls "$LINUX"/libCorvaneEngine.so.*.*.* | head -n1)
nm -D --defined-only "$SO" | awk '{print $3}' | grep -Ev '^(_edata|_end|__bss_start|_ZTS.*)$' \
  | sort -u > "$KEEP/exports-linux.txt"
x86_64-w64-mingw32-objdump -p "$PKG/CorvaneEngine.dll" \
  | awk '/^\[Ordinal\/Name Pointer\] Table/{t=1; next} t&&/^[ \t]*\[/{print $NF; next} t&&!NF{t=0}' \
  | grep -v '^_ZTS' | sort -u > "$KEEP/exports-windows.txt"
if ! diff "$KEEP/exports-linux.txt" "$KEEP/exports-windows.txt" > "$KEEP/exports.diff"; then
  fail "CorvaneEngine.dll exports other names than libCorvaneEngine.so (< Linux only, > Windows only):"
  head -40 "$KEEP/exports.diff" >&2
else
  echo "$(wc -l < "$KEEP/exports-windows.txt") names on both"
fi

step "a fresh Wine prefix on a virtual display"
export WINEPREFIX=$WORK/prefix WINEARCH=win64 WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
start_display_with_wm 60 99 || { echo "FAIL: no free X display" >&2; exit 1; }
timeout 300 wineboot -i >/dev/null 2>&1 || fail "wineboot"
wineserver -w

# Plays the game (COMMAND... in the current folder) in a window with real
# key taps: waits for it, fires, walks, presses Enter for a screenshot and
# quits on Escape. Sets run_status to the game's exit status.
drive_game() {
  local log=$1
  shift
  "$@" --windowed 2>"$log" &
  local pid=$!
  if ! await_game_window "$pid" "$log"; then run_status=99; return; fi
  sleep 1
  xdotool keydown space sleep 0.1 keyup space
  xdotool keydown Right sleep 0.8 keyup Right
  sleep 0.5
  xdotool keydown Return sleep 0.1 keyup Return
  sleep 1.3
  # The whole virtual screen as the player sees it (README's picture).
  [ -n "${CAPTURE:-}" ] && import -window root "$CAPTURE" 2>/dev/null
  xdotool keydown Escape sleep 0.1 keyup Escape
  for _ in $(seq 300); do kill -0 "$pid" 2>/dev/null || break; sleep 0.1; done
  kill "$pid" 2>/dev/null
  wait "$pid"
  run_status=$?
}

step "TARVS (Linux): the scripted moment recorded as a demo"
# The demo holds the key taps, Enter among them: played back on Linux and
# under Wine it takes the screenshot at the same tick on both.
mkdir -p "$WORK/linux"
cp -rL "$LINUX/data" "$WORK/linux/data"
(cd "$WORK/linux" && ALSOFT_DRIVERS=null CORVANE_NO_MESSAGEBOX=1 \
  drive_game "$WORK/linux.err" "$LINUX/TARVS" --data "$WORK/linux/data" --record "$WORK/shot.demo"
  echo "$run_status" > "$WORK/linux.status")
[ "$(cat "$WORK/linux.status")" = 0 ] || { fail "the Linux TARVS did not record the moment"; cat "$WORK/linux.err" >&2; }
cp "$WORK/shot.demo" "$PKG/shot.demo"

step "TARVS.exe: start, fire (sound), walk, Enter, Escape; the log"
WAVE=$WORK/sound.wav
printf '[general]\ndrivers = wave\n[wave]\nfile = %s\n' "$(winpath "$WAVE")" > "$WORK/alsoft.ini"
(cd "$PKG" && ALSOFT_CONF="$(winpath "$WORK/alsoft.ini")" ALSOFT_DRIVERS=wave \
  CORVANE_NO_MESSAGEBOX=1 CAPTURE="$KEEP/wine-screen.png" drive_game "$WORK/wine.err" wine TARVS.exe
  echo "$run_status" > "$WORK/wine.status")
status=$(cat "$WORK/wine.status")
cp "$WORK/wine.err" "$KEEP/wine-stderr.txt"
[ "$status" = 0 ] || { fail "TARVS.exe ended with status $status"; cat "$WORK/wine.err" >&2; }
[ -f "$PKG/Screen0.tga" ] || fail "Enter wrote no screenshot beside TARVS.exe"
[ -f "$PKG/Screen0.tga" ] && convert "$PKG/Screen0.tga" -flip "$KEEP/windows-live.png"
rm -f "$PKG"/Screen*.tga
[ -f "$PKG/EngineLog.txt" ] || fail "no EngineLog.txt beside TARVS.exe"
if [ -f "$PKG/EngineLog.txt" ]; then
  cp "$PKG/EngineLog.txt" "$KEEP/EngineLog-windows.txt"
  # Windows-1251: bytes of Cyrillic letters (0xC0..0xFF) that are not UTF-8.
  if ! LC_ALL=C grep -q $'[\xc0-\xff]' "$PKG/EngineLog.txt"; then
    fail "the log holds no Windows-1251 text"
  elif iconv -f UTF-8 -t UTF-8 "$PKG/EngineLog.txt" >/dev/null 2>&1; then
    fail "the log is UTF-8, not Windows-1251"
  fi
fi
python3 - "$WAVE" <<'PY' || fail "the OpenAL wave backend wrote no sound"
import struct, sys
data = open(sys.argv[1], "rb").read()
assert data[:4] == b"RIFF" and data[8:12] == b"WAVE", "not a WAVE file"
pos, fmt, bits, peak = 12, None, None, 0.0
while pos + 8 <= len(data):
    cid, size = data[pos:pos + 4], struct.unpack("<I", data[pos + 4:pos + 8])[0]
    body = data[pos + 8:pos + 8 + size]
    if cid == b"fmt ":
        fmt, bits = struct.unpack("<H", body[:2])[0], struct.unpack("<H", body[14:16])[0]
        if fmt == 0xFFFE:
            fmt = struct.unpack("<H", body[24:26])[0]
    elif cid == b"data":
        if size == 0 or size > len(data):  # a writer that never patched the size
            body = data[pos + 8:]
        if fmt == 3 and bits == 32:
            vals = struct.unpack("<%df" % (len(body) // 4), body[:len(body) // 4 * 4])
            peak = max(abs(v) for v in vals) if vals else 0.0
        elif bits == 16:
            vals = struct.unpack("<%dh" % (len(body) // 2), body[:len(body) // 2 * 2])
            peak = max(abs(v) for v in vals) / 32768.0 if vals else 0.0
        elif bits == 8:
            peak = max(abs(b - 128) for b in body) / 128.0 if body else 0.0
        break
    pos += 8 + size + (size & 1)
print("sound: %d bytes, peak %.3f of full scale" % (len(data), peak))
sys.exit(0 if peak > 0.01 else 1)
PY

step "the recorded moment played on Linux and under Wine: the screenshots"
# Played a quarter as fast without smoothing, so the frame after Enter's
# tick shows exactly that tick's state on both.
(cd "$WORK/linux" && rm -f Screen*.tga && ALSOFT_DRIVERS=null CORVANE_NO_MESSAGEBOX=1 timeout 120 \
  "$LINUX/TARVS" --windowed --data "$WORK/linux/data" --no-smooth --play "$WORK/shot.demo" \
  --speed 0.25 > "$WORK/linux-play.err" 2>&1) || fail "the Linux playback: $(tail -n1 "$WORK/linux-play.err")"
(cd "$PKG" && ALSOFT_DRIVERS=null CORVANE_NO_MESSAGEBOX=1 timeout 120 \
  wine TARVS.exe --windowed --no-smooth --play shot.demo --speed 0.25 > "$WORK/wine-play.err" 2>&1) \
  || fail "the playback under Wine: $(tail -n1 "$WORK/wine-play.err")"
WSHOT=$PKG/Screen0.tga
LSHOT=$WORK/linux/Screen0.tga
if [ -f "$WSHOT" ] && [ -f "$LSHOT" ]; then
  convert "$WSHOT" -flip "$KEEP/windows.png"
  convert "$LSHOT" -flip "$KEEP/linux.png"
  # The FPS counter (top left) is masked; the spinning pickups turn with
  # the frame clock, so up to PICKUPS pixels (two pickups' size) may differ
  # besides; everything else must match within rounding.
  PICKUPS=6000
  convert "$KEEP/windows.png" -fill black -draw "rectangle 0,0 120,24" "$WORK/w.png"
  convert "$KEEP/linux.png" -fill black -draw "rectangle 0,0 120,24" "$WORK/l.png"
  diffpx=$(compare -metric AE -fuzz 3% "$WORK/w.png" "$WORK/l.png" "$KEEP/difference.png" 2>&1 >/dev/null)
  echo "screenshots: $diffpx pixels differ outside the FPS counter (at most $PICKUPS allowed)"
  [ "${diffpx%%.*}" -le $PICKUPS ] 2>/dev/null \
    || fail "the Windows screenshot differs from the Linux one ($diffpx pixels; build-windows/wine-test/)"
else
  fail "a screenshot is missing (Windows: $([ -f "$WSHOT" ] && echo yes || echo no), Linux: $([ -f "$LSHOT" ] && echo yes || echo no))"
fi

step "the kept demo of the shipped level, verified under Wine"
cp tests/data/level0.demo "$PKG/level0.demo"
(cd "$PKG" && CORVANE_NO_MESSAGEBOX=1 timeout 300 wine TARVS.exe --verify level0.demo) > "$WORK/verify.out" 2>&1
status=$?
tail -n1 "$WORK/verify.out"
[ "$status" = 0 ] || { fail "--verify under Wine ended with status $status"; tail -5 "$WORK/verify.out" >&2; }

if [ -d "${CORVANE_WINDOWS_BUILD:-$OUT/build}/tests" ] && [ "${CORVANE_WINE_UNIT_TESTS:-ON}" = ON ]; then
  step "the engine's unit tests under Wine"
  scripts/windows_unit_tests.sh "$PKG" || fail "engine unit tests under Wine"
fi

if [ -d "$OUT/stage" ] && [ "${CORVANE_WINE_CONSUMER:-ON}" = ON ]; then
  step "examples/ as an outside MinGW project against the installed engine"
  scripts/windows_consumer_test.sh "$PKG" || fail "the MinGW consumer build"
fi

if [ $failed -ne 0 ]; then echo "Windows test under Wine FAILED"; exit 1; fi
echo "Windows test under Wine passed"
