#!/usr/bin/env bash
# Builds the benchmarks and prints their figures.
#   bench/run.sh                                  everything
#   bench/run.sh engine|foxpro|mysql|lists|copy|send|check   one part
# Sizes: ENGINE_ROWS (1,000,000 appends), ROWS (1,000,000 rows for SELECT *),
# MYSQL_INSERT_ROWS (10,000), LIST_TABLES (10,000 tables on each side of the main window),
# COPY_ROWS ("200000 1000000" rows sent to FoxPro, beside 1,000), SEND_ROWS ("200000 1000000":
# one run of "Send Table(s) to MySQL" per size, each in a process of its own so that their peak
# memory compares), CHECK_ROWS (1,000,000 rows each way through check, copy and verify on the
# command line). The MySQL, list, copy and send parts use the server named by
# TAVREL_TEST_MYSQL_* or, when none is named, a throwaway one started (and stopped) here.
set -euo pipefail
cd "$(dirname "$0")/.."
part=${1:-all}
cmake -S . -B build -G Ninja -DTAVREL_BENCH=ON >/dev/null
cmake --build build -j 2 --target engine_append provider_bench bench_mysql_insert main_window_lists \
  bench_send_to_foxpro bench_send_to_mysql tavrel >/dev/null

work=$(mktemp -d "${TMPDIR:-/tmp}/tavrel-bench.XXXXXX")
cleanup() { rm -rf "$work"; [[ -n ${started_db:-} ]] && scripts/testdb.sh stop; true; }
trap cleanup EXIT

if [[ $part == all || $part == engine ]]; then
  echo "== FoxPro engine: appends and reads"
  mkdir -p "$work/engine"
  build/bench/engine_append "${ENGINE_ROWS:-1000000}" "$work/engine"
fi
if [[ $part == all || $part == foxpro ]]; then
  echo "== FoxPro provider: statements as the system sends them (folder $work/provider)"
  mkdir -p "$work/provider"
  build/bench/provider_bench "$work/provider" "${ROWS:-1000000}"
fi
need_server() {
  if [[ -z ${TAVREL_TEST_MYSQL_HOST:-} ]]; then
    eval "$(scripts/testdb.sh start)"
    started_db=1
  fi
}
if [[ $part == all || $part == mysql ]]; then
  echo "== MySQL provider: the FoxPro → MySQL copy's per-row pattern"
  need_server
  build/bench/bench_mysql_insert "${MYSQL_INSERT_ROWS:-10000}"
fi
if [[ $part == all || $part == lists ]]; then
  echo "== Main window: both table lists filled by the load (folder $work/lists)"
  need_server
  mkdir -p "$work/lists"
  build/bench/main_window_lists "$work/lists" "${LIST_TABLES:-10000}"
fi
if [[ $part == all || $part == copy ]]; then
  echo "== Send Table(s) to FoxPro: the real command on its windows offscreen, MariaDB to a free table"
  echo "   (2 cores shared with other work: compare runs made at the same time; load now: $(cut -d' ' -f1-3 /proc/loadavg))"
  need_server
  # shellcheck disable=SC2086
  build/bench/bench_send_to_foxpro ${COPY_ROWS:-200000 1000000} 2>/dev/null
fi
if [[ $part == all || $part == send ]]; then
  echo "== Send Table(s) to MySQL: the command offscreen against LOAD DATA LOCAL INFILE (the ceiling)"
  echo "   (2 cores shared with other work: compare runs made at the same time; load now: $(cut -d' ' -f1-3 /proc/loadavg))"
  need_server
  # A 1,000-row run first: its peak memory is the baseline the larger runs are measured against.
  mkdir -p "$work/send-base"
  base=$(QT_QPA_PLATFORM=offscreen build/bench/bench_send_to_mysql 1000 "$work/send-base" 2>/dev/null |
    sed -n 's/.*; peak \([0-9]*\) MB.*/\1/p')
  rm -rf "$work/send-base"
  for rows in ${SEND_ROWS:-200000 1000000}; do
    mkdir -p "$work/send-$rows"
    QT_QPA_PLATFORM=offscreen MEMORY_BASELINE_MB=$base build/bench/bench_send_to_mysql "$rows" "$work/send-$rows" \
      2>/dev/null
    rm -rf "$work/send-$rows"
  done
fi
if [[ $part == all || $part == check ]]; then
  echo "== check, copy and verify on the command line, each way (peak: the process's resident maximum)"
  echo "   (2 cores shared with other work: compare runs made at the same time; load now: $(cut -d' ' -f1-3 /proc/loadavg))"
  need_server
  bench/check_verify.sh build "$work/check" "${CHECK_ROWS:-1000000}"
fi
