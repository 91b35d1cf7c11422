#!/usr/bin/env bash
# A throwaway MariaDB server for the test suite: its data in a temporary folder, listening on
# 127.0.0.1 and a free port.
#   scripts/testdb.sh start   prints the shell exports the tests read (eval them)
#   scripts/testdb.sh stop    stops the server and removes its folder
#   scripts/testdb.sh restart kills the server (kill -9, as a crash) and starts it again on the
#                             same data and port
set -euo pipefail

state=${TAVREL_TESTDB_DIR:-${TMPDIR:-/tmp}/tavrel-testdb-$(id -u)}
user=tavrel
password=tavrel-test-pw
database=tavrel_test

stop() {
  if [[ -f $state/mariadb.pid ]]; then
    local pid
    pid=$(cat "$state/mariadb.pid")
    kill "$pid" 2>/dev/null || true
    for _ in $(seq 1 100); do kill -0 "$pid" 2>/dev/null || break; sleep 0.1; done
    kill -9 "$pid" 2>/dev/null || true
  fi
  rm -rf "$state"
}

free_port() {
  /usr/bin/python3 -c 'import socket; s = socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])'
}

run_as() { [[ $(id -u) -eq 0 ]] && echo --user=root; true; }

# Starts mariadbd on the state folder's data and the port saved there, and waits until it answers.
launch() {
  local port
  port=$(cat "$state/port")
  mariadbd --no-defaults $(run_as) --datadir="$state/data" --socket="$state/mysqld.sock" \
    --port="$port" --bind-address=127.0.0.1 --pid-file="$state/mariadb.pid" --log-error="$state/error.log" \
    --innodb-buffer-pool-size=128M --innodb-flush-log-at-trx-commit=2 --innodb-doublewrite=0 \
    --skip-name-resolve --max-connections=500 >/dev/null 2>&1 &

  for _ in $(seq 1 300); do
    mariadb-admin --no-defaults --socket="$state/mysqld.sock" -uroot ping >/dev/null 2>&1 && break
    sleep 0.2
  done
  mariadb-admin --no-defaults --socket="$state/mysqld.sock" -uroot ping >/dev/null 2>&1 ||
    { echo "The test MariaDB server did not start:" >&2; cat "$state/error.log" >&2; exit 1; }
}

start() {
  stop
  mkdir -p "$state/data"
  mariadb-install-db --no-defaults $(run_as) --datadir="$state/data" \
    --auth-root-authentication-method=normal --skip-test-db >"$state/install.log" 2>&1 ||
    { cat "$state/install.log" >&2; exit 1; }
  free_port >"$state/port"
  launch

  mariadb --no-defaults --socket="$state/mysqld.sock" -uroot <<SQL
CREATE USER '$user'@'%' IDENTIFIED BY '$password';
GRANT ALL PRIVILEGES ON *.* TO '$user'@'%' WITH GRANT OPTION;
CREATE DATABASE $database CHARACTER SET utf8mb4;
SQL

  cat <<ENV
export TAVREL_TEST_MYSQL_HOST=127.0.0.1
export TAVREL_TEST_MYSQL_PORT=$(cat "$state/port")
export TAVREL_TEST_MYSQL_USER=$user
export TAVREL_TEST_MYSQL_PASSWORD=$password
export TAVREL_TEST_MYSQL_DATABASE=$database
export TAVREL_TEST_MYSQL_SOCKET=$state/mysqld.sock
ENV
}

restart() {
  local pid
  pid=$(cat "$state/mariadb.pid")
  kill -9 "$pid"
  while kill -0 "$pid" 2>/dev/null; do sleep 0.05; done
  launch
}

case ${1:-} in
  start) start ;;
  stop) stop ;;
  restart) restart ;;
  *) echo "usage: $0 start|stop|restart" >&2; exit 2 ;;
esac
