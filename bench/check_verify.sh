#!/usr/bin/env bash
# `tavrel check`, `tavrel copy` and `tavrel verify` on one table of ROWS rows (1,000,000), each way,
# as the command line runs them, then with --typed: rows/s and peak memory (the process's maximum
# resident set) of each, one line per measure. The server is the one TAVREL_TEST_MYSQL_* names.
#   bench/check_verify.sh BUILD_DIR WORK_DIR [ROWS]
set -euo pipefail
build=$1 work=$2 rows=${3:-1000000}
: "${TAVREL_TEST_MYSQL_HOST:?no server: eval \"\$(scripts/testdb.sh start)\" first, or use bench/run.sh}"
mysql_do() {
  mariadb --host="$TAVREL_TEST_MYSQL_HOST" --port="$TAVREL_TEST_MYSQL_PORT" --user="$TAVREL_TEST_MYSQL_USER" \
    --password="$TAVREL_TEST_MYSQL_PASSWORD" --skip-ssl "$@"
}
mkdir -p "$work/home/.config" "$work/fox"
printf '%s\n' "$TAVREL_TEST_MYSQL_PASSWORD" >"$work/password"
cat >"$work/home/.config/Ombrix.ini" <<INI
[Tavrel]
FoxproOption=2
FreeTableFolder=$work/fox
MySQLServer=$TAVREL_TEST_MYSQL_HOST
MySQLPort=$TAVREL_TEST_MYSQL_PORT
MySQLUser=$TAVREL_TEST_MYSQL_USER
MySQLDatabase=bench_from
INI
mysql_do -e "DROP DATABASE IF EXISTS bench_from; DROP DATABASE IF EXISTS bench_to;
  CREATE DATABASE bench_from; CREATE DATABASE bench_to; USE bench_from;
  CREATE TABLE bench_from.moves (id INT PRIMARY KEY, item VARCHAR(40), qty DECIMAL(10,2), at DATETIME,
    price DOUBLE, note TEXT) ENGINE=InnoDB;
  INSERT INTO bench_from.moves SELECT seq, CONCAT('item ', seq % 977), seq % 1000 / 4,
    '2026-01-01' + INTERVAL seq SECOND, seq / 7, IF(seq % 3 = 0, NULL, 'Müller & Söhne')
    FROM seq_1_to_$rows;"
# One measure: "VERB DIRECTION: N rows/s; peak M MB".
measure() {
  local label=$1
  shift
  local start end peak
  start=$(date +%s.%N)
  HOME=$work/home /usr/bin/time -f '%M' -o "$work/peak" "$build/tavrel" "$@" --password-file "$work/password" \
    --quiet >/dev/null || [[ $? == 5 ]]
  end=$(date +%s.%N)
  peak=$(($(tail -n 1 "$work/peak") / 1024))
  awk -v l="$label" -v r="$rows" -v s="$start" -v e="$end" -v p="$peak" \
    'BEGIN { printf "%-20s %8d rows: %9.0f rows/s; peak %d MB\n", l, r, r / (e - s), p }'
}
measure "check to-foxpro" check to-foxpro moves
measure "copy to-foxpro" copy to-foxpro moves
measure "verify to-foxpro" verify to-foxpro moves
measure "check to-mysql" check to-mysql moves --database bench_to
measure "copy to-mysql" copy to-mysql moves --database bench_to
measure "verify to-mysql" verify to-mysql moves --database bench_to
# The same with --typed: typed columns and the table's keys.
measure "check typed to-fox" check to-foxpro --typed moves
measure "copy typed to-fox" copy to-foxpro --typed --overwrite moves
measure "verify typed to-fox" verify to-foxpro --typed moves
measure "check typed to-my" check to-mysql --typed moves --database bench_to
measure "copy typed to-my" copy to-mysql --typed --overwrite moves --database bench_to
measure "verify typed to-my" verify to-mysql --typed moves --database bench_to
# Every row changed, read without a row order (MyISAM): the rows that differ are named in bounded
# memory, however many they are.
mysql_do -e "ALTER TABLE bench_from.moves ENGINE=MyISAM; UPDATE bench_from.moves SET item = CONCAT(item, '!')"
measure "verify, all differ" verify to-foxpro moves
mysql_do -e "DROP DATABASE bench_from; DROP DATABASE bench_to;"
