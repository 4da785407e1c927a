#!/usr/bin/env bash
# Proof that the game installs like any other: builds the Debian packages
# (scripts/package.sh, lintian included), validates the desktop entry and
# the AppStream metainfo, installs the packages with apt, then as an
# ordinary user with a fresh home, from another folder:
#   - TARVS --version, and the manual page through man;
#   - TARVS from PATH headless (SDL offscreen driver) for a few seconds;
#   - the same from an unpacked copy it cannot write (the log goes to the
#     XDG place) and with a home it cannot write (one line each, it goes on);
#   - the desktop entry's command on a virtual X display (Xvfb), with Enter
#     pressed for a screenshot and Escape to quit (xdotool);
# checks the log and the screenshot in their XDG places and that nothing
# was written into /usr or the working folder; then purges the packages
# and checks that none of their files is left.
#
#   scripts/package_test.sh [OUT_DIR]      (needs root: apt-get, useradd)
set -euo pipefail
cd "$(dirname "$0")/.."
OUT=${1:-build-deb}
[ "$(id -u)" -eq 0 ] || { echo "package_test.sh needs root (apt-get, useradd)"; exit 1; }

fail() { echo "FAIL: $*" >&2; exit 1; }

echo "== packages"
scripts/package.sh "$OUT"
VERSION=$(sed -n 's/^#define CORVANE_VERSION_\(MAJOR\|MINOR\|PATCH\) \([0-9]*\)$/\2/p' \
  engine/include/CorvaneEngine.h | paste -sd.)
PACKAGES="tarvs libcorvaneengine-dev libcorvaneengine1"
DEBS=$(ls "$PWD/$OUT"/*.deb)
[ "$(echo "$DEBS" | wc -l)" -eq 3 ] || fail "expected three packages, got: $DEBS"
# Every file the packages hold, for the leftover check after the purge.
FILES=$(for d in $DEBS; do dpkg-deb -c "$d"; done | awk '$1 !~ /^d/ {print $6}' | sed 's|^\.||')

WORK=$(mktemp -d)
USER_CREATED=""
cleanup() {
  apt-get purge -y $PACKAGES > /dev/null 2>&1 || true
  if [ -n "$USER_CREATED" ]; then
    userdel "$USER_CREATED" 2> /dev/null || echo "note: could not remove the user $USER_CREATED" >&2
  fi
  rm -rf "$WORK"
}
trap cleanup EXIT

echo "== install with apt"
apt-get purge -y $PACKAGES > /dev/null 2>&1 || true
DEBIAN_FRONTEND=noninteractive apt-get install -y $DEBS > "$WORK/apt.log" 2>&1 ||
  { cat "$WORK/apt.log"; fail "apt-get install"; }
for p in $PACKAGES; do
  dpkg-query -W -f='${Status}' "$p" | grep -q "install ok installed" || fail "$p not installed"
done

echo "== desktop entry and metainfo"
DESKTOP=/usr/share/applications/org.corvane.tarvs.desktop
desktop-file-validate "$DESKTOP"
appstreamcli validate --no-net /usr/share/metainfo/org.corvane.tarvs.metainfo.xml
for size in 16 22 24 32 48 64 128 256; do
  test -f "/usr/share/icons/hicolor/${size}x${size}/apps/tarvs.png" || fail "no ${size}px icon"
done
test -f /usr/share/icons/hicolor/scalable/apps/tarvs.svg || fail "no SVG icon"
test -f /usr/share/tarvs/data/icon.tga || fail "no window icon in the data"

echo "== an ordinary user, a fresh home, another folder"
PLAYER=tarvsci
if ! id "$PLAYER" > /dev/null 2>&1; then
  useradd --no-create-home --shell /bin/sh "$PLAYER"
  USER_CREATED=$PLAYER
fi
HOME_DIR=$WORK/home
RUN_DIR=$WORK/elsewhere
mkdir -p "$HOME_DIR" "$RUN_DIR"
chown "$PLAYER:" "$HOME_DIR" "$RUN_DIR"
chmod 755 "$WORK"
as_player() {
  (cd "$RUN_DIR" && runuser -u "$PLAYER" -- env -i PATH=/usr/local/bin:/usr/bin:/bin:/usr/local/games:/usr/games \
    HOME="$HOME_DIR" LANG=C.UTF-8 ALSOFT_DRIVERS=null CORVANE_NO_MESSAGEBOX=1 "$@")
}
touch "$WORK/stamp"
sleep 1  # whatever is written from here on is newer than the stamp

got=$(as_player TARVS --version)
[ "$got" = "TARVS $VERSION" ] || fail "TARVS --version said '$got'"
as_player man -w 6 TARVS | grep -q 'man6/TARVS.6' || fail "man 6 TARVS finds no page"
as_player env MANWIDTH=80 man 6 TARVS 2> /dev/null | grep -q XDG_STATE_HOME ||
  fail "man 6 TARVS shows no page"

echo "== TARVS from PATH, headless"
as_player env SDL_VIDEODRIVER=offscreen timeout --preserve-status -s TERM 5 TARVS --windowed \
  2> "$WORK/headless.err" || { cat "$WORK/headless.err"; fail "headless run"; }
cat "$WORK/headless.err"
LOG=$HOME_DIR/.local/state/tarvs/EngineLog.txt
SHOTS=$HOME_DIR/Pictures/TARVS
grep -q "using game data in /usr/share/tarvs/data" "$WORK/headless.err" || fail "data line"
grep -q "log in $LOG, screenshots in $SHOTS" "$WORK/headless.err" || fail "places line"
test -s "$LOG" || fail "no log in $LOG"
grep -aq "CorvaneEngine $VERSION" "$LOG" || fail "no engine version in the log"

echo "== an unpacked copy the player cannot write; a home it cannot write"
cp -r /usr/share/tarvs "$WORK/readonly"  # root's, so the player cannot write it
touch "$WORK/copied"
sleep 1
as_player env SDL_VIDEODRIVER=offscreen timeout --preserve-status -s TERM 3 TARVS --windowed \
  --data "$WORK/readonly" 2> "$WORK/readonly.err" || { cat "$WORK/readonly.err"; fail "read-only copy"; }
grep -q "log in $LOG" "$WORK/readonly.err" || fail "a read-only copy's log is not in the XDG place"
[ -z "$(find "$WORK/readonly" -newer "$WORK/copied")" ] || fail "written into the read-only copy"
mkdir "$WORK/lockedhome"
as_player env HOME="$WORK/lockedhome" SDL_VIDEODRIVER=offscreen \
  timeout --preserve-status -s TERM 3 TARVS --windowed 2> "$WORK/locked.err" ||
  { cat "$WORK/locked.err"; fail "the game did not go on in a home it cannot write"; }
cat "$WORK/locked.err"
grep -q "cannot write the log" "$WORK/locked.err" || fail "an unwritable log place is not reported"
grep -q "cannot write screenshots" "$WORK/locked.err" || fail "an unwritable pictures folder is not reported"

echo "== the desktop entry's command on a virtual display, Enter, Escape"
EXEC=$(sed -n 's/^Exec=//p' "$DESKTOP")
cat > "$WORK/drive.sh" << 'EOF'
# Runs inside xvfb-run as the player: starts the game, presses Enter until a
# screenshot appears (the engine lets one through per second), then Escape.
set -u
$1 2> "$2/desktop.err" &
pid=$!
timeout 30 xdotool search --sync --name "Tarvy Arcade Game" > /dev/null || { kill $pid; exit 3; }
sleep 2
for try in 1 2 3 4 5 6 7 8; do
  xdotool search --name "Tarvy Arcade Game" windowfocus --sync 2> /dev/null
  xdotool keydown Return sleep 0.2 keyup Return
  sleep 1.2
  ls "$3"/Screen*.tga > /dev/null 2>&1 && break
done
xdotool keydown Escape sleep 0.2 keyup Escape
# Up to 10 s to end; no watchdog process is left behind to outlive the run.
for wait_step in $(seq 100); do
  kill -0 $pid 2> /dev/null || break
  sleep 0.1
done
kill $pid 2> /dev/null
wait $pid
EOF
chmod 644 "$WORK/drive.sh"
touch "$WORK/desktop.err"
chown "$PLAYER:" "$WORK/desktop.err"
as_player xvfb-run -a -s "-screen 0 1280x1024x24" bash "$WORK/drive.sh" "$EXEC" "$WORK" "$SHOTS" ||
  { cat "$WORK/desktop.err"; fail "the desktop entry's command did not run and quit cleanly"; }
cat "$WORK/desktop.err"
SHOT=$SHOTS/Screen0.tga
test -f "$SHOT" || fail "no screenshot in $SHOTS"
[ "$(stat -c %s "$SHOT")" -eq $((18 + 1024 * 768 * 3)) ] || fail "screenshot size"
[ "$(stat -c %U "$SHOT")" = "$PLAYER" ] || fail "screenshot owner"
ls -l "$LOG" "$SHOT"

echo "== nothing written into /usr or the working folder"
NEW=$(find /usr -newer "$WORK/stamp" 2> /dev/null | head -20)
[ -z "$NEW" ] || fail "written into /usr: $NEW"
[ -z "$(ls -A "$RUN_DIR")" ] || fail "written into the working folder: $(ls -A "$RUN_DIR")"

echo "== purge"
apt-get purge -y $PACKAGES > "$WORK/purge.log" 2>&1 || { cat "$WORK/purge.log"; fail "purge"; }
for p in $PACKAGES; do
  if dpkg-query -W -f='${Status}' "$p" 2> /dev/null | grep -q installed; then
    fail "$p still installed"
  fi
done
LEFT=""
for f in $FILES /usr/share/tarvs /usr/share/doc/tarvs /usr/share/doc/libcorvaneengine1 \
  /usr/share/doc/libcorvaneengine-dev /usr/lib/*/cmake/CorvaneEngine; do
  if [ -e "$f" ] || [ -L "$f" ]; then LEFT="$LEFT $f"; fi
done
[ -z "$LEFT" ] || fail "left after the purge:$LEFT"
echo "package test passed: $(echo "$DEBS" | xargs -n1 basename | paste -sd' ')"
