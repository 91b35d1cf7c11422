#!/usr/bin/env bash
# Builds the benchmarks and prints their figures (rows/s, peak memory, the ratio to dbfread).
#   bench/run.sh            the full run: 1,000,000 rows for SELECT *
#   ROWS=200000 bench/run.sh  a shorter one
set -euo pipefail
cd "$(dirname "$0")/.."
cmake -S . -B build -G Ninja -DTAVREL_BENCH=ON >/dev/null
cmake --build build -j 2 --target provider_bench >/dev/null
work=$(mktemp -d "${TMPDIR:-/tmp}/tavrel-bench.XXXXXX")
trap 'rm -rf "$work"' EXIT
echo "FoxPro provider (folder $work)"
build/bench/provider_bench "$work" "${ROWS:-1000000}"
