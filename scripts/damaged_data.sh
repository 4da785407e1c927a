#!/usr/bin/env bash
# The damaged-data sweep: the game is started on a copy of the data tree in
# which one file at a time is replaced by a damaged version, runs headless
# until its start-up is over and a little longer, and is then asked to stop
# (SIGTERM, as a window manager's close would). Every run must end cleanly (exit status 0: no
# crash, no sanitizer report, no hang) and leave a line in EngineLog.txt
# that names the damaged file, so a player who sends the log shows which
# file is broken.
#
# Damage kinds:
#   empty   the file is cut to 0 bytes
#   half    the file is cut to half its size
#   random  the file's bytes are replaced by as many seeded random bytes
#   header  the sizes in the header are made huge (TGA, WAV and .mdl only;
#           the other formats have no header)
#
# Usage: scripts/damaged_data.sh [options]
#   --build DIR    build folder holding TARVS and data/ (default: build)
#   --game PATH    the game to start (default: BUILD/TARVS)
#   --kinds LIST   comma-separated kinds (default: all four)
#   --quick        one kind per file, taking turns through the kinds (ctest)
#   --seconds S    how long each run plays after start-up before SIGTERM
#                  (default 2); start-up itself may take up to 60 s
#   --jobs N       runs at once (default 2)
#   --only REGEX   damage only files whose path in the tree matches
#   --keep DIR     keep each failing run's data tree and log under DIR
# Exits 0 when every run passed, 1 when any failed, 2 on a usage error.
set -uo pipefail
ROOT="$(cd "$(dirname "$0")/.." && pwd)"
BUILD="$ROOT/build"
GAME=""
KINDS="empty,half,random,header"
QUICK=0
SECONDS_PER_RUN=2
START_LIMIT=60
JOBS=2
ONLY=""
KEEP=""

usage() { sed -n '2,/^set /p' "$0" | sed '$d' | sed 's/^# \{0,1\}//' >&2; exit 2; }
while [ $# -gt 0 ]; do
  case "$1" in
    --build) BUILD="$(cd "$2" && pwd)" || exit 2; shift 2 ;;
    --game) GAME="$2"; shift 2 ;;
    --kinds) KINDS="$2"; shift 2 ;;
    --quick) QUICK=1; shift ;;
    --seconds) SECONDS_PER_RUN="$2"; shift 2 ;;
    --jobs) JOBS="$2"; shift 2 ;;
    --only) ONLY="$2"; shift 2 ;;
    --keep) KEEP="$2"; shift 2 ;;
    *) usage ;;
  esac
done
GAME="${GAME:-$BUILD/TARVS}"
DATA="$BUILD/data"
[ -x "$GAME" ] || { echo "damaged_data: no game at $GAME (build the TARVS target)" >&2; exit 2; }
[ -f "$DATA/maps/level0.map" ] || { echo "damaged_data: no data tree at $DATA (build the data target)" >&2; exit 2; }
command -v python3 > /dev/null || { echo "damaged_data: python3 is needed to damage the files" >&2; exit 2; }
case "$JOBS" in ''|*[!0-9]*|0) usage ;; esac
for k in ${KINDS//,/ }; do
  case "$k" in empty|half|random|header) ;; *) echo "damaged_data: unknown kind '$k'" >&2; exit 2 ;; esac
done

WORK="$(mktemp -d "${TMPDIR:-/tmp}/damaged_data.XXXXXX")"
trap 'rm -rf "$WORK"' EXIT

# Kinds that apply to a file: "header" only where the format has sizes in a header.
kinds_for() {
  local file="$1" k out=""
  for k in ${KINDS//,/ }; do
    case "$k" in
      header) case "$file" in *.tga|*.wav|*.mdl) out="$out $k" ;; esac ;;
      *) out="$out $k" ;;
    esac
  done
  echo $out
}

# The list of runs, one "file kind" a line.
(cd "$DATA" && find . -type f | sed 's|^\./||' | LC_ALL=C sort) > "$WORK/files"
i=0
: > "$WORK/cases"
while read -r file; do
  [ -n "$ONLY" ] && ! [[ "$file" =~ $ONLY ]] && continue
  read -r -a ks <<< "$(kinds_for "$file")"
  [ ${#ks[@]} -eq 0 ] && continue
  if [ "$QUICK" = 1 ]; then
    echo "$file ${ks[$(( i % ${#ks[@]} ))]}" >> "$WORK/cases"
  else
    for k in "${ks[@]}"; do echo "$file $k" >> "$WORK/cases"; done
  fi
  i=$((i + 1))
done < "$WORK/files"

# Writes a damaged copy of SRC to DST with KIND. The random bytes are seeded
# by NAME, the file's place in the tree, so a failure repeats exactly.
damage() {
  python3 - "$1" "$2" "$3" "$4" <<'EOF'
import random, struct, sys, zlib
src, dst, kind, name = sys.argv[1:5]
data = bytearray(open(src, "rb").read())
if kind == "empty":
    data = bytearray()
elif kind == "half":
    data = data[:len(data) // 2]
elif kind == "random":
    rng = random.Random(zlib.crc32(name.encode()))
    data = bytearray(rng.getrandbits(8) for _ in range(len(data)))
elif kind == "header":
    lower = src.lower()
    if lower.endswith(".tga") and len(data) >= 18:
        data[12:16] = struct.pack("<HH", 0xFFFF, 0xFFFF)          # width, height
    elif lower.endswith(".mdl") and len(data) >= 12:
        data[4:12] = struct.pack("<ii", 0x7FFFFFFF, 0x7FFFFFFF)   # triangles, keyframes
    elif lower.endswith(".wav") and len(data) >= 12:
        data[4:8] = struct.pack("<I", 0xFFFFFFFF)                 # RIFF size
        pos = 12
        while pos + 8 <= len(data):                               # every chunk's size
            size = struct.unpack_from("<I", data, pos + 4)[0]
            data[pos + 4:pos + 8] = struct.pack("<I", 0xFFFFFFF0)
            pos += 8 + size + (size & 1)
open(dst, "wb").write(data)
EOF
}

# The line the engine logs when the game's start-up (every file loaded) is over.
INIT_DONE="$(printf '%s' 'Пользовательская функция инициализации завершена' | iconv -f UTF-8 -t CP1251)"

# Starts the game headless on DIR/data with message boxes going to the log
# only, waits until its start-up is over (at most START_LIMIT s), lets it
# play for SECONDS_PER_RUN s, then asks it to stop with SIGTERM. Sets RC to
# the game's own exit status, 137 when it had to be killed; HUNG says where.
# Its output goes to DIR/output.txt.
play() {
  local dir="$1" pid ticks=0
  HUNG=""
  (cd "$dir" && SDL_VIDEODRIVER=offscreen SDL_AUDIODRIVER=dummy ALSOFT_DRIVERS=null \
     CORVANE_NO_MESSAGEBOX=1 exec "$GAME" --data "$dir" --windowed --size 320x240 \
     > "$dir/output.txt" 2>&1) &
  pid=$!
  while kill -0 "$pid" 2> /dev/null && ! grep -aqF "$INIT_DONE" "$dir/EngineLog.txt" 2> /dev/null; do
    if [ "$ticks" -ge $((START_LIMIT * 10)) ]; then HUNG="at start-up"; break; fi
    sleep 0.1
    ticks=$((ticks + 1))
  done
  [ -z "$HUNG" ] && kill -0 "$pid" 2> /dev/null && sleep "$SECONDS_PER_RUN"
  kill -TERM "$pid" 2> /dev/null
  ticks=0
  while kill -0 "$pid" 2> /dev/null; do
    if [ "$ticks" -ge 100 ]; then
      HUNG="${HUNG:-after SIGTERM}"
      kill -KILL "$pid" 2> /dev/null
      break
    fi
    sleep 0.1
    ticks=$((ticks + 1))
  done
  wait "$pid"
  RC=$?
}

# One run: damage FILE with KIND in the slot's own copy of the tree, play,
# put the file back, judge. Prints one line; the status says pass or fail.
run_case() {
  local slot="$1" file="$2" kind="$3"
  local dir="$WORK/slot$slot" rc verdict="" unread=0
  damage "$DATA/$file" "$dir/data/$file" "$kind" "$file" || { echo "FAIL $file ($kind): cannot damage it"; return 1; }
  rm -f "$dir/EngineLog.txt"
  play "$dir"
  rc=$RC
  if [ -n "$HUNG" ]; then
    verdict="hung $HUNG (killed)"
  elif [ "$rc" -gt 128 ]; then
    verdict="died of signal $((rc - 128))"
  elif [ "$rc" -ne 0 ]; then
    verdict="exit status $rc"
  elif ! grep -aqF "$file" "$WORK/clean.log"; then
    unread=1
  elif ! log_lines "$dir/EngineLog.txt" | grep -aF "$file" | grep -avxFf "$WORK/clean.log" > /dev/null; then
    verdict="no new line in EngineLog.txt names $file"
  fi
  if [ -n "$verdict" ] && [ -n "$KEEP" ]; then
    local keep="$KEEP/${file//\//_}.$kind"
    mkdir -p "$keep" && cp -r "$dir/data" "$dir/output.txt" "$keep/" && cp "$dir/EngineLog.txt" "$keep/" 2> /dev/null
  fi
  cp "$DATA/$file" "$dir/data/$file"
  if [ -n "$verdict" ]; then
    echo "FAIL $file ($kind): $verdict"
    tail -3 "$dir/output.txt" | sed 's/^/    /'
    return 1
  fi
  if [ "$unread" = 1 ]; then
    echo "ok   $file ($kind): the game does not read it"
  else
    echo "ok   $file ($kind)"
  fi
}

# The log's lines without their time stamps.
log_lines() { sed 's/^[0-9][0-9]:[0-9][0-9]:[0-9][0-9] //' "$1" 2> /dev/null; }

# Plays once on the undamaged tree: the lines it logs are what a damaged run
# must add to, and a file it never names is one the game does not read.
clean_run() {
  local dir="$WORK/clean" rc
  mkdir -p "$dir" && cp -r "$DATA" "$dir/data"
  play "$dir"
  rc=$RC
  if [ "$rc" -ne 0 ] || [ -n "$HUNG" ]; then
    echo "damaged_data: the game fails on the undamaged tree (status $rc):" >&2
    tail -5 "$dir/output.txt" >&2
    exit 1
  fi
  log_lines "$dir/EngineLog.txt" > "$WORK/clean.log"
  rm -rf "$dir"
}

# Each slot works through every JOBS-th case on its own copy of the tree.
slot_worker() {
  local slot="$1" n=0 fails=0 file kind
  mkdir -p "$WORK/slot$slot" && cp -r "$DATA" "$WORK/slot$slot/data"
  while read -r file kind; do
    if [ $((n % JOBS)) -eq "$slot" ]; then
      run_case "$slot" "$file" "$kind" || fails=$((fails + 1))
    fi
    n=$((n + 1))
  done < "$WORK/cases"
  echo "$fails" > "$WORK/fails$slot"
}

total=$(wc -l < "$WORK/cases")
echo "damaged_data: $total runs of $SECONDS_PER_RUN s, $JOBS at a time, game $GAME"
start=$(date +%s)
clean_run
for ((s = 0; s < JOBS; s++)); do slot_worker "$s" & done
wait
fails=0
for ((s = 0; s < JOBS; s++)); do fails=$((fails + $(cat "$WORK/fails$s" 2> /dev/null || echo 1))); done
echo "damaged_data: $((total - fails)) of $total runs passed in $(( $(date +%s) - start )) s"
[ "$fails" -eq 0 ]
