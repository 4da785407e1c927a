# shellcheck shell=bash
# Helpers for the scripts that drive TARVS on a virtual X display (sourced
# by demo_xvfb.sh, key_latency.sh, error_box.sh and loop_rates.sh).

# Starts Xvfb on the first free display number in FIRST..LAST (further
# arguments go to Xvfb), waits until it answers, then starts openbox on it
# and gives it a second to come up. Exports DISPLAY and sets xvfb_pid and
# wm_pid. The screen is 1280x1024x24 unless VIRTUAL_SCREEN names another. Returns 1, starting nothing, when no number in the range is free.
start_display_with_wm() {
  local first=$1 last=$2 n display=""
  shift 2
  for n in $(seq "$first" "$last"); do
    [[ -e /tmp/.X11-unix/X$n || -e /tmp/.X$n-lock ]] && continue
    display=":$n"
    break
  done
  [[ -n "$display" ]] || return 1
  Xvfb "$display" -screen 0 "${VIRTUAL_SCREEN:-1280x1024x24}" -nolisten tcp "$@" >/dev/null 2>&1 &
  # shellcheck disable=SC2034  # read by the caller
  xvfb_pid=$!
  export DISPLAY=$display
  for _ in $(seq 100); do xdotool getmouselocation >/dev/null 2>&1 && break; sleep 0.1; done
  openbox --sm-disable >/dev/null 2>&1 &
  # shellcheck disable=SC2034  # read by the caller
  wm_pid=$!
  sleep 1
}

# Waits up to 30 s for the game's window. When it never appears, ends the
# game (PID), says "skip: ..." and copies LOG (the game's stderr) to stderr,
# and returns 1. Otherwise lets the game get past its start-up into steady
# ticks and frames and gives its window the keyboard focus.
await_game_window() {
  local pid=$1 log=$2
  if ! timeout 30 xdotool search --sync --name "Tarvy Arcade Game" >/dev/null; then
    kill "$pid" 2>/dev/null
    echo "skip: the game window never appeared"
    cat "$log" >&2
    return 1
  fi
  sleep 1.5
  xdotool search --name "Tarvy Arcade Game" windowfocus --sync 2>/dev/null
  return 0
}
