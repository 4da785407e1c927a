#!/usr/bin/env bash
# Sets everything up and starts TARVS from the build folder, where the
# generated data/ tree lives.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
cd build
exec ./TARVS "$@"
