#!/usr/bin/env bash
# Throwaway MariaDB servers for the test suite, their files in a temporary folder: the main one
# offers TLS with a certificate made at start; a small second one has no TLS, for the tests of a
# plain connection.
#   scripts/testdb.sh start   prints the shell exports the tests read (eval them)
#   scripts/testdb.sh stop    stops the servers and removes their folder
#   scripts/testdb.sh restart kills the main server (kill -9, as a crash) and starts it again on
#                             the same data and port
set -euo pipefail
source "$(dirname "$0")/mariadb-server.sh"

state=${TAVREL_TESTDB_DIR:-${TMPDIR:-/tmp}/tavrel-testdb-$(id -u)}
user=tavrel
password=tavrel-test-pw
database=tavrel_test

stop() {
  # The servers are known by their absolute data folder.
  [[ ! -d $state ]] || state=$(cd "$state" && pwd)
  mariadb_server_stop "$state/plain"
  mariadb_server_stop "$state"
  rm -rf "$state"
}

main_options=(--tls --innodb-buffer-pool-size=128M --innodb-flush-log-at-trx-commit=2 --innodb-doublewrite=0
  --max-connections=500)

start() {
  stop
  mkdir -p "$state"
  state=$(cd "$state" && pwd)
  # Both at once: most of the time goes into creating their data folders.
  mariadb_server_start "$state" "${main_options[@]}" &
  local main=$!
  # Neither is left running when the other fails to start.
  mariadb_server_start "$state/plain" --innodb-buffer-pool-size=16M --innodb-flush-log-at-trx-commit=2 ||
    { wait "$main" || true; stop; exit 1; }
  wait "$main" || { stop; exit 1; }
  for dir in "$state" "$state/plain"; do
    mariadb_root "$dir" <<SQL
CREATE USER '$user'@'%' IDENTIFIED BY '$password';
GRANT ALL PRIVILEGES ON *.* TO '$user'@'%' WITH GRANT OPTION;
CREATE DATABASE $database CHARACTER SET utf8mb4;
SQL
  done

  cat <<ENV
export TAVREL_TEST_MYSQL_HOST=127.0.0.1
export TAVREL_TEST_MYSQL_PORT=$(<"$state/port")
export TAVREL_TEST_MYSQL_PLAIN_PORT=$(<"$state/plain/port")
export TAVREL_TEST_MYSQL_USER=$user
export TAVREL_TEST_MYSQL_PASSWORD=$password
export TAVREL_TEST_MYSQL_DATABASE=$database
export TAVREL_TEST_MYSQL_SOCKET=$state/mysqld.sock
ENV
}

restart() {
  state=$(cd "$state" && pwd)
  local pid
  pid=$(mariadb_server_pid "$state")
  kill -9 "$pid"
  while kill -0 "$pid" 2>/dev/null; do sleep 0.05; done
  MARIADB_SERVER_PORT=$(<"$state/port") mariadb_server_start "$state" "${main_options[@]}"
}

case ${1:-} in
  start) start ;;
  stop) stop ;;
  restart) restart ;;
  *) echo "usage: $0 start|stop|restart" >&2; exit 2 ;;
esac
