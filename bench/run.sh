#!/usr/bin/env bash
# Builds the benchmarks and prints their figures. MySQL benchmarks use the server named by
# TAVREL_TEST_MYSQL_* or, when none is named, a throwaway one started (and stopped) here.
set -euo pipefail
cd "$(dirname "$0")/.."
cmake -S . -B build -G Ninja >/dev/null
cmake --build build -j 2 --target bench_mysql_insert >/dev/null

if [[ -z ${TAVREL_TEST_MYSQL_HOST:-} ]]; then
  eval "$(scripts/testdb.sh start)"
  trap 'scripts/testdb.sh stop' EXIT
fi

build/bench_mysql_insert "${MYSQL_INSERT_ROWS:-20000}"
