#!/usr/bin/env bash
# Runs one libFuzzer target of the engine for a number of seconds, on a copy of its seed corpus
# (new inputs it finds stay in build-fuzz/corpus/<target>; crashes land in build-fuzz/).
#   scripts/fuzz.sh table_reader 600
#   scripts/fuzz.sh memo_reader 600
#   scripts/fuzz.sh statement_parser 600   (the FoxPro provider's statements)
#   scripts/fuzz.sh index_reader 600       (compound indexes .cdx/.dcx)
#   scripts/fuzz.sh container_reader 600   (database containers .dbc/.dct)
# Without a duration it only replays the seed corpus once (a quick regression run).
set -euo pipefail
cd "$(dirname "$0")/.."
target=${1:?usage: scripts/fuzz.sh <table_reader|memo_reader|statement_parser|index_reader|container_reader> [seconds]}
seconds=${2:-}
CC=clang CXX=clang++ cmake -S . -B build-fuzz -G Ninja -DTAVREL_FUZZ=ON -DTAVREL_GUI=OFF -DTAVREL_TESTS=OFF \
  -DTAVREL_BENCH=OFF -DCMAKE_COMPILE_WARNING_AS_ERROR=ON >/dev/null
cmake --build build-fuzz -j 2 --target "fuzz_$target" >/dev/null
seeds=fuzz/corpus/$target
if [[ -z $seconds ]]; then
  exec build-fuzz/"fuzz_$target" -runs=0 "$seeds"
fi
work=build-fuzz/corpus/$target
mkdir -p "$work"
cd build-fuzz
exec ./"fuzz_$target" -max_total_time="$seconds" -max_len=65536 -timeout=10 -rss_limit_mb=2048 \
  -print_final_stats=1 "corpus/$target" "../$seeds"
