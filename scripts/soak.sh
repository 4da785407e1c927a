#!/usr/bin/env bash
# The soak: the game at the tables' limits for a number of ticks (default
# 30000, ten minutes of play) under AddressSanitizer + UndefinedBehaviorSanitizer,
# heap measured after a warm-up and at the end. Fails on any report or growth.
# Usage: scripts/soak.sh [ticks] [seed]
set -euo pipefail
cd "$(dirname "$0")/.."
ROOT="$PWD"
TICKS="${1:-30000}"
SEED="${2:-1}"
mkdir -p build-asan
scripts/sanitize.sh build soak_game > build-asan/soak-build.log 2>&1 || { tail -40 build-asan/soak-build.log; exit 1; }
# shellcheck source=scripts/sanitize-env.sh
. "$ROOT/scripts/sanitize-env.sh"
mkdir -p build-asan/soakrun
cd build-asan/soakrun
start=$(date +%s)
# At a lower priority, so that builds beside it keep up.
nice -n "${SOAK_NICE:-10}" ../soak/soak_game "$TICKS" "$SEED"
echo "soak: $TICKS ticks in $(( $(date +%s) - start )) s"
