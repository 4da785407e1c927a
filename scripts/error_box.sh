#!/usr/bin/env bash
# An error box must never take the game down. On a virtual X display with a
# window manager (Xvfb + openbox, driven by xdotool), TARVS runs in a folder
# where the next screenshot's name is a link into a folder that does not
# exist; Enter asks for a screenshot, which cannot be saved there, so the
# "Can't open ScreenShot File!" box comes up. (A folder that cannot be
# written at all is caught before the engine tries: the game says so on its
# message line instead.) Then, each run:
#   1. the box is closed with a key, the game is still running, and Escape
#      ends it with status 0;
#   2. the box comes up again and SIGTERM ends the game (status 143) and the
#      box with it.
#
#   scripts/error_box.sh [runs=1] [path/to/TARVS]
#
# Exits 77 (ctest's skip) when Xvfb, openbox, xdotool or xwininfo is missing.
set -uo pipefail
runs=${1:-1}
tarvs=${2:-"$(dirname "$0")/../build/TARVS"}
tarvs=$(readlink -f "$tarvs")
root=$(cd "$(dirname "$tarvs")" && pwd)

for tool in Xvfb openbox xdotool xwininfo; do
  command -v "$tool" >/dev/null || { echo "skip: $tool not installed"; exit 77; }
done
[[ -x "$tarvs" && -f "$root/data/maps/level0.map" ]] || { echo "skip: no built game"; exit 77; }

work=$(mktemp -d)
chmod 755 "$work"
xvfb_pid=0
wm_pid=0
cleanup() {
  [[ $wm_pid -gt 0 ]] && kill "$wm_pid" 2>/dev/null
  [[ $xvfb_pid -gt 0 ]] && kill "$xvfb_pid" 2>/dev/null
  chmod -R u+w "$work" 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT

# shellcheck source=scripts/virtual-display.sh
. "$(dirname "$0")/virtual-display.sh"
start_display_with_wm 70 130 -ac || { echo "skip: no free X display"; exit 77; }

# The game's folder: the data, and Screen0.tga a link to a file in a folder
# that is not there, so writing it fails. As root the game runs as nobody,
# with a home of its own.
mkdir -p "$work/game" "$work/home"
cp -r "$root/data" "$work/game/data"
ln -s "$work/missing/Screen0.tga" "$work/game/Screen0.tga"
chmod -R a+rX "$work/game"
chmod a+rwx "$work/game" "$work/home"
export HOME="$work/home"
unset XDG_CONFIG_HOME XDG_STATE_HOME
as=()
if [[ $(id -u) -eq 0 ]]; then as=(setpriv --reuid=65534 --regid=65534 --clear-groups); fi

export ALSOFT_DRIVERS=null SDL_AUDIODRIVER=dummy
unset SDL_VIDEODRIVER CORVANE_NO_MESSAGEBOX

fail() {
  echo "FAIL: $*"
  [[ -s "$work/err.txt" ]] && sed 's/^/  game: /' "$work/err.txt"
  exit 1
}

# The box's window, found by its title (xdotool's search misses windows
# whose name is stored as UTF-8, as SDL's box stores it).
find_box() { xwininfo -root -tree 2>/dev/null | awk '/ "Error": / {print $1; exit}'; }

# Starts the game and brings up the box; sets pid and box.
start_and_raise_box() {
  "${as[@]}" "$tarvs" --data "$work/game" --windowed --size 640x480 2>"$work/err.txt" &
  pid=$!
  local win
  win=$(timeout 30 xdotool search --sync --name "Tarvy Arcade Game" | head -1)
  [[ -n "$win" ]] || fail "the game window never appeared"
  sleep 1.5  # past start-up and the first screenshot gate
  xdotool windowactivate --sync "$win" >/dev/null 2>&1
  xdotool key Return
  box=""
  for _ in $(seq 150); do
    box=$(find_box)
    [[ -n "$box" ]] && break
    sleep 0.1
  done
  [[ -n "$box" ]] || fail "no error box after Enter"
  kill -0 "$pid" 2>/dev/null || fail "the game died when the box came up"
}

# Waits up to $2 tenths of a second for process $1 to end; its status in ended.
wait_end() {
  for _ in $(seq "$2"); do
    kill -0 "$1" 2>/dev/null || break
    sleep 0.1
  done
  kill -0 "$1" 2>/dev/null && return 1
  wait "$1"
  ended=$?
  return 0
}

for run in $(seq "$runs"); do
  # 1. Close the box with a key; the game goes on; Escape quits with 0.
  start_and_raise_box
  sleep 0.5
  xdotool windowactivate --sync "$box" >/dev/null 2>&1
  xdotool key Return
  for _ in $(seq 50); do
    [[ -z "$(find_box)" ]] && break
    sleep 0.1
  done
  [[ -n "$(find_box)" ]] && fail "run $run: the box did not close"
  sleep 1.5
  kill -0 "$pid" 2>/dev/null || fail "run $run: the game died when the box was closed"
  win=$(xdotool search --name "Tarvy Arcade Game" | head -1)
  [[ -n "$win" ]] || fail "run $run: the game's window is gone"
  xdotool windowactivate --sync "$win" >/dev/null 2>&1
  xdotool key Escape
  wait_end "$pid" 100 || { kill -9 "$pid"; fail "run $run: Escape did not end the game"; }
  [[ $ended -eq 0 ]] || fail "run $run: the game ended with status $ended after Escape"

  # 2. SIGTERM while the box is up ends the game and the box.
  start_and_raise_box
  kill -TERM "$pid"
  wait_end "$pid" 100 || { kill -9 "$pid"; fail "run $run: SIGTERM did not end the game"; }
  [[ $ended -eq 143 ]] || fail "run $run: the game ended with status $ended after SIGTERM"
  sleep 0.5
  [[ -n "$(find_box)" ]] && fail "run $run: the box outlived the game"
  echo "run $run: box closed by a key, game went on, Escape quit 0; SIGTERM with the box up quit 143"
done
echo "ok: $runs run(s)"
