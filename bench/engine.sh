#!/usr/bin/env bash
# Prints the FoxPro engine's append and read rates (1,000,000 rows of 5 memo columns by default).
#   bench/engine.sh [rows] [folder]
set -euo pipefail
cd "$(dirname "$0")/.."
cmake -S . -B build -G Ninja >/dev/null
cmake --build build -j 2 --target engine_append >/dev/null
exec build/bench/engine_append "$@"
